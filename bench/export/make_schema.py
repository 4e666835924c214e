#!/usr/bin/python3
"""SQL for the benchmark schema: N tables of C columns, every table and
column commented, a primary key on the first column.

    /usr/bin/python3 make_schema.py [TABLES] [COLUMNS] > schema.sql
"""
import sys

TYPES = ["integer", "character varying(40)", "numeric(12,2)", "timestamp(0) without time zone",
         "text", "bigint", "character(8)", "boolean", "date", "smallint"]


def main(tables, columns):
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
    print("\n".join(out))


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 1000,
         int(sys.argv[2]) if len(sys.argv) > 2 else 20)
