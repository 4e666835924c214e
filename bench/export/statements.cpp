// Prints the catalog statements the definition export sends for a schema of
// N tables named table_0001 ..., so the benchmark can time them through psql.
#include <cstdio>
#include <iostream>
#include <string>

#include "catalog/postgres/PostgresStatements.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: bench_statements SCHEMA TABLES [VERSION]\n";
    return 2;
  }
  const std::string schema = argv[1];
  const int tables = std::stoi(argv[2]);
  const std::string version = argc > 3 ? argv[3] : "PostgreSQL 15";
  std::cout << "BEGIN;\n" << zel::pg::TablesStatement(schema) << ";\n";
  for (int fetched = 0; fetched <= tables; fetched += zel::pg::kBatchSize)
    std::cout << zel::pg::kFetch << ";\n";
  std::cout << "COMMIT;\n";
  for (int t = 1; t <= tables; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "table_%04d", t);
    std::cout << zel::pg::ColumnsStatement(version, schema, name) << ";\n";
  }
}
