-- The sample database of the demo (SQLite). scripts/run.sh builds demo/sample.sqlite from it afresh.
CREATE TABLE 部署 (
  部署番号 INTEGER PRIMARY KEY,
  部署名   VARCHAR(20) NOT NULL
);
CREATE TABLE 社員 (
  番号     INTEGER PRIMARY KEY,
  氏名     VARCHAR(20) NOT NULL,
  部署番号 INTEGER REFERENCES 部署(部署番号),
  入社日   DATE,
  給与     INTEGER
);
CREATE TABLE 商品 (
  商品番号 INTEGER PRIMARY KEY,
  商品名   VARCHAR(40) NOT NULL,
  単価     INTEGER NOT NULL,
  備考     VARCHAR(40)
);
INSERT INTO 部署 VALUES (10, '営業部'), (20, '開発部'), (30, '総務部');
INSERT INTO 社員 VALUES
  (1, '山田 太郎', 10, '2015-04-01', 320000),
  (2, '鈴木 花子', 20, '2018-10-01', 350000),
  (3, '佐藤 一郎', 20, '2021-04-01', 280000),
  (4, '高橋 美咲', 30, '2012-07-15', 400000),
  (5, '田中 健',   NULL, NULL, NULL);
INSERT INTO 商品 VALUES
  (101, '緑茶（ペットボトル）', 150, NULL),
  (102, 'おにぎり 鮭', 180, '期間限定'),
  (103, 'ノート Ａ４', 240, '罫線 7mm'),
  (104, '表計算ソフト解説書', 2980, '第3版');
