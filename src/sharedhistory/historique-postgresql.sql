-- Tensiova: the workshop's shared history on PostgreSQL (13 or later).
--
-- Run once by the database's owner or an administrator, for instance
--   psql -d atelier -f historique-postgresql.sql
-- A station whose account may create tables makes the same tables itself at its first
-- connection. Every station then writes its records here; each record is known by its station's
-- id and its number on that station, so that a record sent twice is kept once.

CREATE TABLE IF NOT EXISTS tensiova_schema (
    version integer NOT NULL,
    -- Made with the tables: a station that finds another one sends all its records again.
    database_id text NOT NULL DEFAULT md5(random()::text || clock_timestamp()::text)
);
INSERT INTO tensiova_schema (version)
    SELECT 1 WHERE NOT EXISTS (SELECT FROM tensiova_schema);

CREATE TABLE IF NOT EXISTS tensiova_envois (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    station text NOT NULL,
    local_id bigint NOT NULL,
    sent_utc timestamptz NOT NULL,
    utc_offset integer NOT NULL,
    origin text NOT NULL,
    version text NOT NULL,
    account text NOT NULL,
    computer text NOT NULL,
    port integer NOT NULL,
    device text NOT NULL,
    maker text NOT NULL,
    product text NOT NULL,
    serial_number text NOT NULL,
    setup_file text NOT NULL,
    message bytea NOT NULL,
    outcome text NOT NULL,
    reason text NOT NULL,
    answer bytea NOT NULL,
    answer_text text NOT NULL,
    label text NOT NULL,
    label_folded text NOT NULL,
    label_changed_utc timestamptz,
    search text NOT NULL,
    received_utc timestamptz NOT NULL DEFAULT now(),
    UNIQUE (station, local_id)
);
CREATE INDEX IF NOT EXISTS tensiova_envois_by_date ON tensiova_envois (sent_utc DESC, id DESC);
CREATE INDEX IF NOT EXISTS tensiova_envois_by_label
    ON tensiova_envois (label, sent_utc DESC, id DESC);

-- Searches find a text anywhere in a record through a trigram index (pg_trgm, shipped with
-- PostgreSQL): without it, every search reads every record, and the program still works.
DO $$
BEGIN
    CREATE EXTENSION IF NOT EXISTS pg_trgm;
    CREATE INDEX IF NOT EXISTS tensiova_envois_search
        ON tensiova_envois USING gin ((search || E'\n' || label_folded) gin_trgm_ops);
EXCEPTION WHEN OTHERS THEN
    RAISE NOTICE 'no trigram index (%): searches read every record', SQLERRM;
END
$$;

-- The least a station needs: read and add records, complete their answers and repères; never
-- delete. Made only by an account that may make roles; give it to each station's login with
--   GRANT tensiova_poste TO poste_atelier;
DO $$
BEGIN
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = current_user AND (rolcreaterole OR rolsuper))
    THEN
        IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tensiova_poste') THEN
            CREATE ROLE tensiova_poste NOLOGIN;
        END IF;
        GRANT SELECT ON tensiova_schema TO tensiova_poste;
        GRANT SELECT, INSERT ON tensiova_envois TO tensiova_poste;
        GRANT UPDATE (outcome, reason, answer, answer_text, label, label_folded,
                      label_changed_utc, search) ON tensiova_envois TO tensiova_poste;
    END IF;
END
$$;
