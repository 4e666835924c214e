-- Sample order-management schema for the demo: every table and column has a
-- Japanese comment, as a real system handed over to a new team would.
CREATE SCHEMA hanbai;
COMMENT ON SCHEMA hanbai IS '販売管理';
SET search_path TO hanbai;

CREATE TABLE customers (
  customer_id   integer PRIMARY KEY,
  customer_name character varying(60) NOT NULL,
  kana_name     character varying(60),
  postal_code   character(8),
  address       character varying(200),
  phone         character varying(20),
  credit_limit  numeric(12,2) NOT NULL DEFAULT 0,
  created_at    timestamp(0) without time zone NOT NULL DEFAULT now()
);
COMMENT ON TABLE customers IS '顧客マスタ';
COMMENT ON COLUMN customers.customer_id IS '顧客ID';
COMMENT ON COLUMN customers.customer_name IS '顧客名';
COMMENT ON COLUMN customers.kana_name IS '顧客名カナ';
COMMENT ON COLUMN customers.postal_code IS '郵便番号';
COMMENT ON COLUMN customers.address IS '住所';
COMMENT ON COLUMN customers.phone IS '電話番号';
COMMENT ON COLUMN customers.credit_limit IS '与信限度額（円）';
COMMENT ON COLUMN customers.created_at IS '登録日時';

CREATE TABLE product_categories (
  category_code character(4) PRIMARY KEY,
  category_name character varying(40) NOT NULL
);
COMMENT ON TABLE product_categories IS '商品分類マスタ';
COMMENT ON COLUMN product_categories.category_code IS '分類コード';
COMMENT ON COLUMN product_categories.category_name IS '分類名';

CREATE TABLE products (
  product_code  character varying(12) PRIMARY KEY,
  product_name  character varying(80) NOT NULL,
  category_code character(4) NOT NULL REFERENCES product_categories,
  unit_price    numeric(10,2) NOT NULL,
  tax_rate      numeric(4,2) NOT NULL DEFAULT 10.00,
  discontinued  boolean NOT NULL DEFAULT false
);
COMMENT ON TABLE products IS '商品マスタ';
COMMENT ON COLUMN products.product_code IS '商品コード';
COMMENT ON COLUMN products.product_name IS '商品名';
COMMENT ON COLUMN products.category_code IS '分類コード';
COMMENT ON COLUMN products.unit_price IS '単価（税抜）';
COMMENT ON COLUMN products.tax_rate IS '消費税率（％）';
COMMENT ON COLUMN products.discontinued IS '販売終了フラグ';

CREATE TABLE warehouses (
  warehouse_code character(3) PRIMARY KEY,
  warehouse_name character varying(40) NOT NULL
);
COMMENT ON TABLE warehouses IS '倉庫マスタ';
COMMENT ON COLUMN warehouses.warehouse_code IS '倉庫コード';
COMMENT ON COLUMN warehouses.warehouse_name IS '倉庫名';

CREATE TABLE stock (
  warehouse_code character(3) REFERENCES warehouses,
  product_code   character varying(12) REFERENCES products,
  quantity       integer NOT NULL DEFAULT 0,
  updated_at     timestamp(0) without time zone NOT NULL,
  PRIMARY KEY (warehouse_code, product_code)
);
COMMENT ON TABLE stock IS '在庫';
COMMENT ON COLUMN stock.warehouse_code IS '倉庫コード';
COMMENT ON COLUMN stock.product_code IS '商品コード';
COMMENT ON COLUMN stock.quantity IS '在庫数量';
COMMENT ON COLUMN stock.updated_at IS '更新日時';

CREATE TABLE staff (
  staff_id   integer PRIMARY KEY,
  staff_name character varying(40) NOT NULL,
  department character varying(40)
);
COMMENT ON TABLE staff IS '担当者マスタ';
COMMENT ON COLUMN staff.staff_id IS '担当者ID';
COMMENT ON COLUMN staff.staff_name IS '担当者名';
COMMENT ON COLUMN staff.department IS '所属部署';

CREATE TABLE orders (
  order_no     bigint PRIMARY KEY,
  customer_id  integer NOT NULL REFERENCES customers,
  staff_id     integer REFERENCES staff,
  ordered_at   timestamp(0) without time zone NOT NULL,
  due_date     date,
  total_amount numeric(14,2) NOT NULL DEFAULT 0,
  note         text
);
COMMENT ON TABLE orders IS '受注';
COMMENT ON COLUMN orders.order_no IS '受注番号';
COMMENT ON COLUMN orders.customer_id IS '顧客ID';
COMMENT ON COLUMN orders.staff_id IS '担当者ID';
COMMENT ON COLUMN orders.ordered_at IS '受注日時';
COMMENT ON COLUMN orders.due_date IS '納期';
COMMENT ON COLUMN orders.total_amount IS '合計金額（税込）';
COMMENT ON COLUMN orders.note IS '備考';

CREATE TABLE order_lines (
  order_no     bigint REFERENCES orders,
  line_no      smallint,
  product_code character varying(12) NOT NULL REFERENCES products,
  quantity     integer NOT NULL,
  unit_price   numeric(10,2) NOT NULL,
  PRIMARY KEY (order_no, line_no)
);
COMMENT ON TABLE order_lines IS '受注明細';
COMMENT ON COLUMN order_lines.order_no IS '受注番号';
COMMENT ON COLUMN order_lines.line_no IS '明細番号';
COMMENT ON COLUMN order_lines.product_code IS '商品コード';
COMMENT ON COLUMN order_lines.quantity IS '数量';
COMMENT ON COLUMN order_lines.unit_price IS '受注単価';

CREATE TABLE shipments (
  shipment_no    bigint PRIMARY KEY,
  order_no       bigint NOT NULL REFERENCES orders,
  warehouse_code character(3) NOT NULL REFERENCES warehouses,
  shipped_at     timestamp(0) without time zone,
  tracking_no    character varying(30)
);
COMMENT ON TABLE shipments IS '出荷';
COMMENT ON COLUMN shipments.shipment_no IS '出荷番号';
COMMENT ON COLUMN shipments.order_no IS '受注番号';
COMMENT ON COLUMN shipments.warehouse_code IS '出荷倉庫';
COMMENT ON COLUMN shipments.shipped_at IS '出荷日時';
COMMENT ON COLUMN shipments.tracking_no IS '送り状番号';

CREATE TABLE invoices (
  invoice_no  bigint PRIMARY KEY,
  customer_id integer NOT NULL REFERENCES customers,
  issued_on   date NOT NULL,
  amount      numeric(14,2) NOT NULL,
  paid        boolean NOT NULL DEFAULT false
);
COMMENT ON TABLE invoices IS '請求';
COMMENT ON COLUMN invoices.invoice_no IS '請求番号';
COMMENT ON COLUMN invoices.customer_id IS '顧客ID';
COMMENT ON COLUMN invoices.issued_on IS '請求日';
COMMENT ON COLUMN invoices.amount IS '請求金額';
COMMENT ON COLUMN invoices.paid IS '入金済フラグ';
