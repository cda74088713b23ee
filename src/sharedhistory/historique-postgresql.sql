-- Tensiova: the workshop's shared history on PostgreSQL (13 or later).
--
-- Run once by the database's owner or an administrator, for instance
--   psql -d atelier -f historique-postgresql.sql
-- A station whose account may create tables makes the same tables itself at its first
-- connection. Every station then writes its records here; each record is known by its station's
-- id and its number on that station, so that a record sent twice is kept once. Beside the
-- records, the workshop's set-up library: each set-up's numbered versions, which one is approved,
-- and which set-up each device (repère) should hold. Running this file again on a database of an
-- earlier version brings it up to date and changes no record.

CREATE TABLE IF NOT EXISTS tensiova_schema (
    version integer NOT NULL,
    -- Made with the tables: a station that finds another one sends all its records again.
    database_id text NOT NULL DEFAULT md5(random()::text || clock_timestamp()::text)
);
INSERT INTO tensiova_schema (version)
    SELECT 2 WHERE NOT EXISTS (SELECT FROM tensiova_schema);

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

-- The set-up library. A set-up is known by its name; its versions are numbered from 1 in the
-- order they were proposed. A version holds the 48 entries as a set-up file holds them and the
-- 52 bytes they give; it is proposed, then approved or refused by another person; an approved
-- version is retired when another one is approved or when it is withdrawn. Nothing stored ever
-- changes but a version's state, and nothing is ever deleted: the triggers below refuse it,
-- whoever asks.
CREATE TABLE IF NOT EXISTS tensiova_reglages (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name text NOT NULL CHECK (name <> ''),
    created_utc timestamptz NOT NULL DEFAULT now()
);
-- By a digest: a name of any length is indexed.
CREATE UNIQUE INDEX IF NOT EXISTS tensiova_reglages_name ON tensiova_reglages (md5(name));

CREATE TABLE IF NOT EXISTS tensiova_reglage_versions (
    setup_id bigint NOT NULL REFERENCES tensiova_reglages (id),
    number integer NOT NULL,
    entries text[] NOT NULL CHECK (cardinality(entries) = 48),
    message bytea NOT NULL CHECK (length(message) = 52),
    comment text NOT NULL,
    author text NOT NULL,
    proposed_utc timestamptz NOT NULL,
    state text NOT NULL CHECK (state IN ('proposee', 'approuvee', 'refusee', 'retiree')),
    decided_by text,
    decided_utc timestamptz,
    reason text NOT NULL DEFAULT '',
    changed_utc timestamptz NOT NULL,
    PRIMARY KEY (setup_id, number)
);
CREATE UNIQUE INDEX IF NOT EXISTS tensiova_reglage_versions_approved
    ON tensiova_reglage_versions (setup_id) WHERE state = 'approuvee';
CREATE INDEX IF NOT EXISTS tensiova_reglage_versions_message
    ON tensiova_reglage_versions (message) WHERE state IN ('approuvee', 'retiree');

-- Which set-up a device should hold: a repère ("P20-12") or every repère that begins with a
-- prefix ("P20-*"). A repère's own set-up comes before its prefixes', the longest prefix first.
CREATE TABLE IF NOT EXISTS tensiova_attributions (
    pattern text NOT NULL CHECK (pattern <> '' AND pattern <> '*'),
    pattern_folded text NOT NULL,
    is_prefix boolean NOT NULL,
    setup_id bigint NOT NULL REFERENCES tensiova_reglages (id),
    assigned_by text NOT NULL,
    assigned_utc timestamptz NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS tensiova_attributions_pattern
    ON tensiova_attributions (md5(pattern_folded), is_prefix);

-- Counts the library's changes: a station compares it with its copy's before reading it all again.
CREATE TABLE IF NOT EXISTS tensiova_bibliotheque (revision bigint NOT NULL);
INSERT INTO tensiova_bibliotheque SELECT 1 WHERE NOT EXISTS (SELECT FROM tensiova_bibliotheque);

-- Run with the tables' owner's rights: a station's login may not change the count itself.
CREATE OR REPLACE FUNCTION tensiova_library_changed() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $f$
BEGIN
    UPDATE tensiova_bibliotheque SET revision = revision + 1;
    RETURN NULL;
END
$f$;

-- One set-up's versions are numbered and decided one at a time, whatever the stations do at once.
CREATE OR REPLACE FUNCTION tensiova_lock_setup(setup bigint) RETURNS void
LANGUAGE sql VOLATILE AS $f$ SELECT pg_advisory_xact_lock(7305143, hashint8(setup)) $f$;

CREATE OR REPLACE FUNCTION tensiova_version_proposed() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    PERFORM tensiova_lock_setup(NEW.setup_id);
    NEW.number := coalesce((SELECT max(number) FROM tensiova_reglage_versions
                            WHERE setup_id = NEW.setup_id), 0) + 1;
    -- Set by the server: the login that proposes, never what a program says.
    NEW.author := session_user;
    NEW.proposed_utc := clock_timestamp();
    NEW.changed_utc := NEW.proposed_utc;
    NEW.state := 'proposee';
    NEW.decided_by := NULL;
    NEW.decided_utc := NULL;
    NEW.reason := '';
    RETURN NEW;
END
$f$;

CREATE OR REPLACE FUNCTION tensiova_version_decided() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    IF (NEW.setup_id, NEW.number, NEW.entries, NEW.message, NEW.comment, NEW.author,
        NEW.proposed_utc)
       IS DISTINCT FROM (OLD.setup_id, OLD.number, OLD.entries, OLD.message, OLD.comment,
                         OLD.author, OLD.proposed_utc) THEN
        RAISE EXCEPTION 'Les valeurs d''une version enregistrée ne changent jamais : proposez-en une nouvelle.'
            USING ERRCODE = 'TV001';
    END IF;
    IF NEW.state = OLD.state THEN
        RAISE EXCEPTION 'La version v% est déjà « % » : seul son état change, une fois.',
            OLD.number, OLD.state USING ERRCODE = 'TV002';
    END IF;
    IF NOT ((OLD.state = 'proposee' AND NEW.state IN ('approuvee', 'refusee'))
            OR (OLD.state = 'approuvee' AND NEW.state = 'retiree')) THEN
        RAISE EXCEPTION 'La version v% ne peut pas passer de l''état « % » à l''état « % ».',
            OLD.number, OLD.state, NEW.state USING ERRCODE = 'TV002';
    END IF;
    IF NEW.state = 'approuvee' AND OLD.author = session_user THEN
        RAISE EXCEPTION 'Vous (%) avez écrit la version v% : une autre personne doit l''approuver.',
            session_user, OLD.number USING ERRCODE = 'TV003';
    END IF;
    IF NEW.state = 'refusee' AND btrim(NEW.reason) = '' THEN
        RAISE EXCEPTION 'Un refus dit pourquoi : la raison manque.' USING ERRCODE = 'TV004';
    END IF;
    IF NEW.state = 'approuvee' THEN
        -- The version approved until now is retired, in the same transaction.
        PERFORM tensiova_lock_setup(NEW.setup_id);
        UPDATE tensiova_reglage_versions SET state = 'retiree',
            reason = format('remplacée par v%s', NEW.number)
            WHERE setup_id = NEW.setup_id AND state = 'approuvee' AND number <> NEW.number;
    END IF;
    NEW.decided_by := session_user;
    NEW.decided_utc := clock_timestamp();
    NEW.changed_utc := NEW.decided_utc;
    RETURN NEW;
END
$f$;

CREATE OR REPLACE FUNCTION tensiova_assigned() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    NEW.is_prefix := right(NEW.pattern, 1) = '*';
    NEW.pattern_folded := lower(CASE WHEN NEW.is_prefix THEN left(NEW.pattern, -1)
                                     ELSE NEW.pattern END);
    NEW.assigned_by := session_user;
    NEW.assigned_utc := clock_timestamp();
    RETURN NEW;
END
$f$;

CREATE OR REPLACE FUNCTION tensiova_never_delete() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    RAISE EXCEPTION 'Rien ne se supprime de la bibliothèque des réglages : retirez la version.'
        USING ERRCODE = 'TV005';
END
$f$;

CREATE OR REPLACE FUNCTION tensiova_name_kept() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    RAISE EXCEPTION 'Le nom d''un réglage ne change jamais.' USING ERRCODE = 'TV001';
END
$f$;

-- The set-up a repère should hold, or NULL.
CREATE OR REPLACE FUNCTION tensiova_setup_of(label text) RETURNS bigint
LANGUAGE sql STABLE AS $f$
    SELECT setup_id FROM tensiova_attributions
    WHERE (NOT is_prefix AND md5(pattern_folded) = md5(lower(label)))
       OR (is_prefix AND starts_with(lower(label), pattern_folded))
    ORDER BY is_prefix, length(pattern_folded) DESC LIMIT 1
$f$;

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_trigger WHERE tgname = 'tensiova_version_proposed') THEN
        CREATE TRIGGER tensiova_version_proposed BEFORE INSERT ON tensiova_reglage_versions
            FOR EACH ROW EXECUTE FUNCTION tensiova_version_proposed();
        CREATE TRIGGER tensiova_version_decided BEFORE UPDATE ON tensiova_reglage_versions
            FOR EACH ROW EXECUTE FUNCTION tensiova_version_decided();
        CREATE TRIGGER tensiova_version_kept BEFORE DELETE ON tensiova_reglage_versions
            FOR EACH ROW EXECUTE FUNCTION tensiova_never_delete();
        CREATE TRIGGER tensiova_versions_kept BEFORE TRUNCATE ON tensiova_reglage_versions
            FOR EACH STATEMENT EXECUTE FUNCTION tensiova_never_delete();
        CREATE TRIGGER tensiova_name_kept BEFORE UPDATE ON tensiova_reglages
            FOR EACH ROW EXECUTE FUNCTION tensiova_name_kept();
        CREATE TRIGGER tensiova_setup_kept BEFORE DELETE ON tensiova_reglages
            FOR EACH ROW EXECUTE FUNCTION tensiova_never_delete();
        CREATE TRIGGER tensiova_setups_kept BEFORE TRUNCATE ON tensiova_reglages
            FOR EACH STATEMENT EXECUTE FUNCTION tensiova_never_delete();
        CREATE TRIGGER tensiova_assigned BEFORE INSERT OR UPDATE ON tensiova_attributions
            FOR EACH ROW EXECUTE FUNCTION tensiova_assigned();
        CREATE TRIGGER tensiova_assignment_kept BEFORE DELETE ON tensiova_attributions
            FOR EACH ROW EXECUTE FUNCTION tensiova_never_delete();
        CREATE TRIGGER tensiova_versions_changed AFTER INSERT OR UPDATE
            ON tensiova_reglage_versions FOR EACH STATEMENT
            EXECUTE FUNCTION tensiova_library_changed();
        CREATE TRIGGER tensiova_assignments_changed AFTER INSERT OR UPDATE
            ON tensiova_attributions FOR EACH STATEMENT
            EXECUTE FUNCTION tensiova_library_changed();
    END IF;
END
$$;

UPDATE tensiova_schema SET version = 2 WHERE version < 2;

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

-- The least a station needs: read and add records, complete their answers and repères, read the
-- library and propose versions; never delete. Approving, refusing and retiring versions and giving
-- repères their set-ups is another role's, which the tables' triggers keep from approving its own
-- login's versions. Made only by an account that may make roles; give them to the logins with
--   GRANT tensiova_poste TO alice;
--   GRANT tensiova_approbation TO bob;
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
        GRANT SELECT, INSERT ON tensiova_reglages, tensiova_reglage_versions TO tensiova_poste;
        GRANT SELECT ON tensiova_attributions, tensiova_bibliotheque TO tensiova_poste;
        IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tensiova_approbation') THEN
            CREATE ROLE tensiova_approbation NOLOGIN;
        END IF;
        GRANT tensiova_poste TO tensiova_approbation;
        GRANT UPDATE (state, reason) ON tensiova_reglage_versions TO tensiova_approbation;
        GRANT INSERT, UPDATE (pattern, setup_id) ON tensiova_attributions TO tensiova_approbation;
    END IF;
END
$$;
