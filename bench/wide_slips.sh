# The wide slips of the benchmarks (sourced by bench/jobs.sh and
# bench/verify.sh): the columns that the slip tables get on both servers, and
# the values of a slip's row `seq` in them. The four long texts are notes
# written from a pool of 97 texts of 22 sentences with numbers in them, each
# note headed by a digest of its slip, so that neighbouring slips differ the
# way real notes do rather than repeat one text.
wideColumns="smlouva INT, faktura INT, cislo_vozu INT, obsluha INT, vahovna INT,
  id_prijemky BIGINT, druh SMALLINT, jakost TINYINT, cena_bez_dph DECIMAL(12,2),
  dph DECIMAL(12,2), cena_s_dph DECIMAL(12,2), srazka_vlhkost DECIMAL(10,2),
  srazka_necistoty DECIMAL(10,2), dopravne DECIMAL(12,2), susne DECIMAL(12,2), teplota DOUBLE,
  objem DOUBLE, datum_smlouvy DATE, datum_faktury DATE, datum_platby DATE, prijezd DATETIME,
  odjezd DATETIME, exportovano DATETIME, cas_odjezdu TIME, dopravce VARCHAR(60),
  adresa_dopravce VARCHAR(100), puvod VARCHAR(60), odruda VARCHAR(40), cislo_plomby VARCHAR(20),
  popis_nakladu TEXT, posudek TEXT, ujednani TEXT, reklamace TEXT"
wideNames=$(sed -E 's/ [A-Z]+(\([0-9,]+\))?//g' <<<"$wideColumns" | tr -d '\n ')
wideValues="202600000 + seq, 2026100000 + seq, 4000 + seq mod 977, 1 + seq mod 7, 1 + seq mod 3,
  7700000000 + seq, seq mod 12, seq mod 4, 122880.00 + seq mod 10000, 25804.80 + seq mod 2100,
  148684.80 + seq mod 12100, 1.35 + (seq mod 40) / 100, 0.20 + (seq mod 20) / 100,
  3200.00 + seq mod 800, 1540.50 + seq mod 300, 11.5 + (seq mod 90) / 10, 31.25 + seq mod 9,
  '2026-03-01' - interval seq mod 90 day, '2026-07-20' + interval seq mod 30 day,
  '2026-08-15' + interval seq mod 45 day, '2026-07-14 06:55:00' - interval seq minute,
  '2026-07-14 07:48:30' - interval seq minute, '2026-07-14 18:00:00' + interval seq second,
  sec_to_time((seq * 37) mod 86400), 'Agrodoprava Vysočina s.r.o.',
  concat('Průmyslová ', seq mod 90, ', 591 01 Žďár nad Sázavou'), 'Kraj Vysočina, okres Žďár',
  elt(1 + seq mod 4, 'Bohemia', 'Julie', 'Elan', 'RGT Reform'), concat('PL-', lpad(seq, 8, '0')),
  concat(md5(seq), ' ', (select t from notes where id = seq mod 97)),
  concat(md5(seq + 1), ' ', (select t from notes where id = (seq * 7 + 3) mod 97)),
  concat(md5(seq + 2), ' ', (select t from notes where id = (seq * 11 + 5) mod 97)),
  concat(md5(seq + 3), ' ', (select t from notes where id = (seq * 13 + 7) mod 97))"
notes="create temporary table notes (id int primary key, t text character set utf8mb4);
insert into notes select n.seq, group_concat(concat(elt(1 + (n.seq * 13 + s.seq * 7) mod 10,
  'Vzorek odebrán z korby ve třech místech, vlhkost přeměřena na laboratorním vlhkoměru',
  'Řidič upozorněn na plachtu, náklad při příjezdu částečně zakrytý',
  'Obsah příměsí v normě, ojediněle zlomková zrna a plevy',
  'Cena dle rámcové smlouvy, srážka za vlhkost nad limit',
  'Dodávka zařazena do sila č.', 'Plomba neporušena, doklad o původu předán',
  'Teplota zrna při příjmu bez odchylky, zápach nezjištěn',
  'Dopravce žádá vystavení vážního lístku v kopii pro účetnictví',
  'Reklamace předchozí dodávky vyřízena dobropisem č.',
  'Kontrolní vážení provedeno, rozdíl v toleranci'), ' ', n.seq * 131 + s.seq, '.')
  separator ' ') from seq_0_to_96 n, seq_1_to_22 s group by n.seq;"


# The SQL that inserts N weighing slips B0000001.. of series 01 on the site and
# queues them: weighing_slips_sql N POOL NAMES VALUES, where POOL is $notes
# and NAMES and VALUES the wide columns with a leading comma (all three empty
# for the sandbox's narrow slips).
weighing_slips_sql() {
  cat <<SQL
$2
insert into vaznil (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar,
  komodita, brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, pocet_vazeni,
  stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno$3)
select 1, concat('B', lpad(seq, 7, '0')), '01', '2026-07-14' - interval (seq mod 200) day,
  sec_to_time(seq mod 86400), '2026-07-14 07:42:10' - interval seq minute,
  concat(seq mod 9, 'AB ', lpad(seq mod 10000, 4, '0')), 'Jiří Dvořák', '100234',
  'Zemědělské družstvo Žďár, a.s.', 'pšenice potravinářská', 38000 + seq mod 1000,
  14000 + seq mod 500, 24000 + seq mod 700, 13.80, 1.20, 5120.50, 123089 + seq,
  24.04 + seq / 1000, 2, 1, if(seq mod 2, 'Y', 'N'), 'Vlhkost přeměřena; vzorek č. 2: OK?',
  9000000000 + seq, 2026, '2026-07-14 08:01:00' + interval seq second$4
from seq_1_to_$1;
insert into vaznil_00 select cislodokla, rada from vaznil where cislodokla like 'B%';
SQL
}
