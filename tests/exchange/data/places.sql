-- A profile's places.sqlite as Firefox lays it out, cut to what holds
-- bookmarks: the roots, folders, a separator, a tag and a place: query.
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
    rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
    typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,
    last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
    url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT,
    site_name TEXT, origin_id INTEGER);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
    parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER,
    folder_type TEXT, dateAdded INTEGER, lastModified INTEGER, guid TEXT,
    syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);
INSERT INTO moz_places (id, url, title, guid) VALUES
    (1, 'http://www.x.org/', 'x', 'p1'),
    (2, 'https://zeitung.example.de/%C3%BCber', NULL, 'p2'),
    (3, 'place:sort=8&maxResults=10', NULL, 'p3'),
    (4, 'mailto:a@example.com?subject=Hi&body=Hello%20there', NULL, 'p4'),
    (5, 'https://xn--bcher-kva.de/', NULL, 'p5');
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES
    (1, 2, NULL, 0, 0, '', 'root________'),
    (2, 2, NULL, 1, 0, 'menu', 'menu________'),
    (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'),
    (4, 2, NULL, 1, 2, 'tags', 'tags________'),
    (5, 2, NULL, 1, 3, 'unfiled', 'unfiled_____'),
    (6, 2, NULL, 1, 4, 'mobile', 'mobile______'),
    (10, 2, NULL, 2, 1, 'News', 'f-news'),
    (11, 1, 1, 10, 0, 'Daily news', 'b-x'),
    (12, 3, NULL, 10, 1, NULL, 's-1'),
    (13, 2, NULL, 10, 2, 'Deutsch', 'f-deutsch'),
    (14, 1, 2, 13, 0, 'Zeitung', 'b-zeitung'),
    (15, 1, 3, 2, 0, 'Most visited', 'b-query'),
    (16, 2, NULL, 4, 0, 'news', 'tag-news'),
    (17, 1, 1, 16, 0, NULL, 'b-tagged'),
    (18, 1, 4, 3, 0, 'Ask A', 'b-mail'),
    (19, 1, 5, 10, 3, 'Bücher', 'b-books');
