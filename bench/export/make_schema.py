#!/usr/bin/python3
"""SQL for the benchmark schema: N tables of C columns, every table and
column commented, a primary key on the first column.

    /usr/bin/python3 make_schema.py [--mysql] [TABLES] [COLUMNS] > schema.sql

Without --mysql the SQL is PostgreSQL's (schema bench); with it MySQL's
(database bench, comments inline).
"""
import sys

TYPES = ["integer", "character varying(40)", "numeric(12,2)", "timestamp(0) without time zone",
         "text", "bigint", "character(8)", "boolean", "date", "smallint"]
MYSQL_TYPES = ["int", "varchar(40)", "decimal(12,2)", "datetime", "text", "bigint", "char(8)",
               "tinyint(1)", "date", "smallint"]


def postgres(tables, columns):
    out = ["CREATE SCHEMA bench;"]
    for t in range(1, tables + 1):
        name = "bench.table_%04d" % t
        cols = []
        for c in range(1, columns + 1):
            col = "col_%02d %s" % (c, TYPES[(c - 1) % len(TYPES)])
            if c == 1:
                col += " PRIMARY KEY"
            elif c % 3 == 0:
                col += " NOT NULL"
            cols.append(col)
        out.append("CREATE TABLE %s (%s);" % (name, ", ".join(cols)))
        out.append("COMMENT ON TABLE %s IS '業務テーブル%04d';" % (name, t))
        for c in range(1, columns + 1):
            out.append("COMMENT ON COLUMN %s.col_%02d IS '項目%02d の説明（%04d）';" % (name, c, c, t))
    return out


def mysql(tables, columns):
    out = ["SET NAMES utf8mb4;", "CREATE DATABASE bench CHARACTER SET utf8mb4;", "USE bench;"]
    for t in range(1, tables + 1):
        cols = []
        for c in range(1, columns + 1):
            col = "col_%02d %s" % (c, MYSQL_TYPES[(c - 1) % len(MYSQL_TYPES)])
            if c == 1:
                col += " PRIMARY KEY"
            elif c % 3 == 0:
                col += " NOT NULL"
            col += " COMMENT '項目%02d の説明（%04d）'" % (c, t)
            cols.append(col)
        out.append("CREATE TABLE table_%04d (%s) COMMENT='業務テーブル%04d';"
                   % (t, ", ".join(cols), t))
    return out


def main(argv):
    kind = postgres
    if argv and argv[0] == "--mysql":
        kind = mysql
        argv = argv[1:]
    tables = int(argv[0]) if len(argv) > 0 else 1000
    columns = int(argv[1]) if len(argv) > 1 else 20
    print("\n".join(kind(tables, columns)))


if __name__ == "__main__":
    main(sys.argv[1:])
