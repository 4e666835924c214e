// A stand-in client library for the binding's tests: it exports every
// listed entry point, allocates no handle, and counts the set-up and
// per-thread calls so that a test can see them.
#include <atomic>
#include <cstring>

namespace {
std::atomic<int> serverInit{0}, serverEnd{0}, threadInit{0}, threadEnd{0};
}

extern "C" {

// Set-up and per-thread calls, counted.
int mysql_server_init(int, char**, char**) { ++serverInit; return 0; }
void mysql_server_end() { ++serverEnd; }
char mysql_thread_init() { ++threadInit; return 0; }
void mysql_thread_end() { ++threadEnd; }

// The counts by name, for the tests.
int zel_fake_count(const char* name) {
  if (std::strcmp(name, "server_init") == 0) return serverInit;
  if (std::strcmp(name, "server_end") == 0) return serverEnd;
  if (std::strcmp(name, "thread_init") == 0) return threadInit;
  if (std::strcmp(name, "thread_end") == 0) return threadEnd;
  return -1;
}

// No handle can be allocated: the component's first failure.
void* mysql_init(void*) { return nullptr; }
const char* mysql_error(void*) { return ""; }

// Every other listed entry point, present and doing nothing.
long mysql_num_rows() { return 0; }
long mysql_num_fields() { return 0; }
long mysql_eof() { return 0; }
long mysql_fetch_field_direct() { return 0; }
long mysql_fetch_fields() { return 0; }
long mysql_row_tell() { return 0; }
long mysql_field_tell() { return 0; }
long mysql_field_count() { return 0; }
long mysql_affected_rows() { return 0; }
long mysql_insert_id() { return 0; }
long mysql_errno() { return 0; }
long mysql_info() { return 0; }
long mysql_thread_id() { return 0; }
long mysql_character_set_name() { return 0; }
long mysql_connect() { return 0; }
long mysql_change_user() { return 0; }
long mysql_real_connect() { return 0; }
long mysql_close() { return 0; }
long mysql_select_db() { return 0; }
long mysql_query() { return 0; }
long mysql_send_query() { return 0; }
long mysql_read_query_result() { return 0; }
long mysql_real_query() { return 0; }
long mysql_create_db() { return 0; }
long mysql_drop_db() { return 0; }
long mysql_shutdown() { return 0; }
long mysql_dump_debug_info() { return 0; }
long mysql_refresh() { return 0; }
long mysql_kill() { return 0; }
long mysql_ping() { return 0; }
long mysql_stat() { return 0; }
long mysql_get_server_info() { return 0; }
long mysql_get_client_info() { return 0; }
long mysql_get_host_info() { return 0; }
long mysql_get_proto_info() { return 0; }
long mysql_list_dbs() { return 0; }
long mysql_list_tables() { return 0; }
long mysql_list_fields() { return 0; }
long mysql_list_processes() { return 0; }
long mysql_store_result() { return 0; }
long mysql_use_result() { return 0; }
long mysql_options() { return 0; }
long mysql_free_result() { return 0; }
long mysql_data_seek() { return 0; }
long mysql_row_seek() { return 0; }
long mysql_field_seek() { return 0; }
long mysql_fetch_row() { return 0; }
long mysql_fetch_lengths() { return 0; }
long mysql_fetch_field() { return 0; }
long mysql_escape_string() { return 0; }
long mysql_real_escape_string() { return 0; }
long mysql_debug() { return 0; }
long mysql_odbc_escape_string() { return 0; }
long myodbc_remove_escape() { return 0; }
long mysql_thread_safe() { return 0; }

}  // extern "C"
