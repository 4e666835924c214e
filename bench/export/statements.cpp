// Prints the catalog statements the definition export sends for a schema of
// N tables named table_0001 ..., so the benchmarks can time them through the
// server's own command-line client: read per table (the list in batches of
// 20, then one column statement per table) or, with --bulk, as the default
// export reads (the list in large batches, then one statement for all).
//   bench_statements [--kind mysql] [--bulk] SCHEMA TABLES [VERSION]
#include <cstdio>
#include <iostream>
#include <string>

#include "catalog/mysql/MySqlStatements.h"
#include "catalog/postgres/PostgresStatements.h"

namespace {

std::string TableName(int t) {
  char name[32];
  std::snprintf(name, sizeof name, "table_%04d", t);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  bool mysql = false;
  if (argc > 2 && std::string(argv[1]) == "--kind") {
    mysql = std::string(argv[2]) == "mysql";
    argc -= 2;
    argv += 2;
  }
  bool bulk = false;
  if (argc > 1 && std::string(argv[1]) == "--bulk") {
    bulk = true;
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::cerr << "usage: bench_statements [--kind mysql] [--bulk] SCHEMA TABLES [VERSION]\n";
    return 2;
  }
  const std::string schema = argv[1];
  const int tables = std::stoi(argv[2]);
  const std::string version = argc > 3 ? argv[3] : "PostgreSQL 15";
  if (bulk && mysql) {
    std::cout << "SET NAMES utf8mb4;\n" << zel::my::TablesStatement(schema) << ";\n";
    std::cout << "SET NAMES utf8mb4;\n" << zel::my::SchemaColumnsStatement(schema) << ";\n";
    return 0;
  }
  if (bulk) {
    std::cout << "BEGIN;\n" << zel::pg::TablesStatement(schema) << ";\n";
    for (int fetched = 0; fetched <= tables; fetched += zel::pg::kListBatchSize)
      std::cout << zel::pg::kListFetch << ";\n";
    std::cout << "COMMIT;\nBEGIN;\n" << zel::pg::SchemaColumnsCursor(version, schema) << ";\n";
    for (int fetched = 0; fetched <= tables * 20; fetched += zel::pg::kColumnBatchSize)
      std::cout << zel::pg::kColumnFetch << ";\n";
    std::cout << "COMMIT;\n";
    return 0;
  }
  if (mysql) {
    // The names need no escaping: they are plain letters and digits.
    std::cout << "SET NAMES utf8mb4;\n" << zel::my::TablesStatement(schema) << ";\n";
    for (int t = 1; t <= tables; ++t)
      std::cout << zel::my::ColumnsStatement(schema, TableName(t)) << ";\n";
    return 0;
  }
  std::cout << "BEGIN;\n" << zel::pg::TablesStatement(schema) << ";\n";
  for (int fetched = 0; fetched <= tables; fetched += zel::pg::kBatchSize)
    std::cout << zel::pg::kFetch << ";\n";
  std::cout << "COMMIT;\n";
  for (int t = 1; t <= tables; ++t)
    std::cout << zel::pg::ColumnsStatement(version, schema, TableName(t)) << ";\n";
}
