// Prints the catalog statements the definition export sends for a schema of
// N tables named table_0001 ..., so the benchmarks can time them through the
// server's own command-line client.
//   bench_statements [--kind mysql] SCHEMA TABLES [VERSION]
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
  if (argc < 3) {
    std::cerr << "usage: bench_statements [--kind mysql] SCHEMA TABLES [VERSION]\n";
    return 2;
  }
  const std::string schema = argv[1];
  const int tables = std::stoi(argv[2]);
  if (mysql) {
    // The names need no escaping: they are plain letters and digits.
    std::cout << "SET NAMES utf8mb4;\n" << zel::my::TablesStatement(schema) << ";\n";
    for (int t = 1; t <= tables; ++t)
      std::cout << zel::my::ColumnsStatement(schema, TableName(t)) << ";\n";
    return 0;
  }
  const std::string version = argc > 3 ? argv[3] : "PostgreSQL 15";
  std::cout << "BEGIN;\n" << zel::pg::TablesStatement(schema) << ";\n";
  for (int fetched = 0; fetched <= tables; fetched += zel::pg::kBatchSize)
    std::cout << zel::pg::kFetch << ";\n";
  std::cout << "COMMIT;\n";
  for (int t = 1; t <= tables; ++t)
    std::cout << zel::pg::ColumnsStatement(version, schema, TableName(t)) << ";\n";
}
