#include "support/FakeTds.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <thread>

extern char** environ;

namespace zel::test {
namespace {

const char* const kPython = "/usr/bin/python3";

std::string ServerScript() {
  const char* env = std::getenv("ZEL_FAKE_TDS");
  if (env && *env) return env;
  return std::string(ZEL_SOURCE_DIR) + "/../shared/tools/fake_tds/fake_tds_server.py";
}

std::optional<std::string> GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}

// One field of a result file: "\N" alone is NULL; tab, line feed, carriage
// return and backslash are escaped.
std::string Field(const std::optional<std::string>& value) {
  if (!value) return "\\N";
  std::string out;
  for (char c : *value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Line(const std::vector<std::optional<std::string>>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + Field(fields[i]);
  return line + "\n";
}

// The log's escapes undone: the server writes line feeds and carriage
// returns inside a statement as \n and \r.
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r')) {
      out += text[i + 1] == 'n' ? '\n' : '\r';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string FakeTds::Missing() {
  if (!FileExists(kDriver))
    return std::string("FreeTDS's ODBC driver is not installed (") + kDriver +
           "; apt-get install tdsodbc, as scripts/setup does)";
  if (!FileExists(kPython)) return std::string(kPython) + " is not installed";
  if (!FileExists(ServerScript())) return "the SQL Server stand-in is missing: " + ServerScript();
  return {};
}

FakeTds::FakeTds(const std::string& password) {
  SetPassword(password);
  WriteFile(dir_.File("odbcinst.ini"), std::string("[FreeTDS]\nDriver=") + kDriver + "\n");
  WriteFile(dir_.File("freetds.conf"), "[global]\n");
  WriteFile(dir_.File("rules.tsv"), "");
  oldSysIni_ = GetEnv("ODBCSYSINI");
  oldFreeTdsConf_ = GetEnv("FREETDSCONF");
  setenv("ODBCSYSINI", dir_.Path().c_str(), 1);
  setenv("FREETDSCONF", dir_.File("freetds.conf").c_str(), 1);
  Start();
}

FakeTds::~FakeTds() {
  Kill();
  RestoreEnv("ODBCSYSINI", oldSysIni_);
  RestoreEnv("FREETDSCONF", oldFreeTdsConf_);
}

void FakeTds::Start() {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::string errFile = dir_.File("server.err");
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const std::string script = ServerScript();
  std::vector<std::string> args = {kPython, script, "--port", "0", "--dir", dir_.Path()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, kPython, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    error_ = "cannot start " + script;
    return;
  }
  pid_ = pid;
  // The server says "listening N" once it accepts connections.
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (said.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char buf[256];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    said.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  if (said.rfind("listening ", 0) == 0) port_ = std::atoi(said.c_str() + 10);
  if (port_ <= 0) {
    Kill();
    error_ = "the SQL Server stand-in did not start: " + said + ReadFile(errFile);
  }
}

void FakeTds::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string FakeTds::Host() const {
  return "127.0.0.1," + std::to_string(port_);
}

void FakeTds::SetPassword(const std::string& password) {
  WriteFile(dir_.File("password"), password);
}

void FakeTds::SetServerVersion(const std::string& version) {
  WriteFile(dir_.File("dbms_ver"), version + "\n");
}

void FakeTds::AddRule(const std::string& regex, const std::string& content) {
  const std::string file = "result" + std::to_string(++results_) + ".tsv";
  WriteFile(dir_.File(file), content);
  std::ofstream rules(dir_.File("rules.tsv"), std::ios::binary | std::ios::app);
  rules << regex << '\t' << file << '\n';
}

void FakeTds::On(const std::string& regex, const TdsResult& result) {
  if (result.columns.empty()) {
    AddRule(regex, "");  // no result set
    return;
  }
  std::vector<std::optional<std::string>> names(result.columns.begin(), result.columns.end());
  std::string content = Line(names);
  for (const TdsRow& row : result.rows) content += Line(row);
  AddRule(regex, content);
}

void FakeTds::OnExact(const std::string& statement, const TdsResult& result) {
  On("^" + Literal(statement) + "$", result);
}

void FakeTds::Fail(const std::string& regex, int number, const std::string& message) {
  AddRule(regex, "#ERROR\t42000\t" + std::to_string(number) + "\t" + Field(message) + "\n");
}

void FakeTds::ClearRules() {
  WriteFile(dir_.File("rules.tsv"), "");
}

std::string FakeTds::Literal(const std::string& text) {
  std::string out;
  for (char c : text) {
    // "<" and ">" stay bare: escaped, the server reads them as word edges.
    if (std::string_view("\\.[](){}*+?^$|").find(c) != std::string_view::npos) {
      out += '\\';
      out += c;
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> FakeTds::Log() const {
  std::vector<std::string> lines;
  std::ifstream in(dir_.File("log"), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> FakeTds::Statements() const {
  std::vector<std::string> out;
  for (const std::string& line : Log())
    if (line.rfind("EXEC ", 0) == 0) out.push_back(Unescape(line.substr(5)));
  return out;
}

std::vector<std::string> FakeTds::Logins() const {
  std::vector<std::string> out;
  for (const std::string& line : Log())
    if (line.rfind("CONNECT ", 0) == 0) {
      std::string login = line.substr(8);
      const size_t app = login.rfind(" app=");
      out.push_back(app == std::string::npos ? login : login.substr(0, app));
    }
  return out;
}

void FakeTds::ClearLog() {
  WriteFile(dir_.File("log"), "");
}

bool FakeTds::WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done,
                         int seconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (done(Log())) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool FakeTds::AllConnectionsClosed() const {
  return WaitForLog([](const std::vector<std::string>& log) {
    int open = 0;
    for (const std::string& line : log) {
      if (line.rfind("CONNECT ", 0) == 0) ++open;
      if (line == "DISCONNECT") --open;
    }
    return open == 0;
  });
}

}  // namespace zel::test
