-- The account of the site of series 10 on its own server: only what its jobs,
-- its start-up status check and `zararod-cli verify` need. Run by
-- scripts/sandbox after the sample data (a table-level GRANT needs its
-- table); a dropped and recreated table keeps its grants.
CREATE USER IF NOT EXISTS 'site10'@'localhost' IDENTIFIED BY 'site10';
-- The slips it sends: their column list, their rows, their key columns' types.
GRANT SELECT ON vorazu1.vaznil TO 'site10'@'localhost';
GRANT SELECT ON vorazu1.laborl TO 'site10'@'localhost';
-- The send queues: the status check counts them, the jobs read them and
-- delete what they delivered (the delete's WHERE reads the key: SELECT).
GRANT SELECT, DELETE ON vorazu1.vaznil_00 TO 'site10'@'localhost';
GRANT SELECT, DELETE ON vorazu1.laborl_00 TO 'site10'@'localhost';
-- The imported addresses: each is written delete-then-insert, after the
-- import's two UPDATEs of LIC_VNITRO (whose WHERE reads kodpar: SELECT).
GRANT SELECT, INSERT, UPDATE, DELETE ON dovodi.adresar TO 'site10'@'localhost';
-- verify vl|ll --requeue only: queues a slip again.
GRANT INSERT ON vorazu1.vaznil_00 TO 'site10'@'localhost';
GRANT INSERT ON vorazu1.laborl_00 TO 'site10'@'localhost';
