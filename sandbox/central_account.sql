-- The account of the site of series 10 on the central server: only what its
-- jobs, its start-up status check and `zararod-cli verify` need. Run by
-- scripts/sandbox after the sample data (a table-level GRANT needs its
-- table); a dropped and recreated table keeps its grants.
CREATE USER IF NOT EXISTS 'site10'@'%' IDENTIFIED BY 'site10';
-- The address import reads the queued addresses.
GRANT SELECT ON dovodi.adresar TO 'site10'@'%';
-- Its own address queue: the status check counts it, the import reads it and
-- deletes what it delivered (the delete's WHERE reads the key: SELECT).
GRANT SELECT, DELETE ON dovodi.adresar_10 TO 'site10'@'%';
-- The slips it sends: each is written delete-then-insert; the job reads the
-- key columns' types and verify the slips with the same keys.
GRANT SELECT, INSERT, DELETE ON vorazu1.vaznil TO 'site10'@'%';
GRANT SELECT, INSERT, DELETE ON vorazu1.laborl TO 'site10'@'%';
-- verify addresses --requeue only: queues an address again.
GRANT INSERT ON dovodi.adresar_10 TO 'site10'@'%';
