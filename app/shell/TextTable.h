#pragma once
// The language table: every text the program shows is a number, and the table
// holds the texts of one language file in file order (the first "string"
// element is text 0). A language change reloads the table while work-pool
// threads may be asking for status texts, so the table is swapped whole under
// a read-write lock and every read returns a copy.
#include <QString>

class TextTable
{
public:
    // A copy of text number `id`; an empty text for a number beyond the
    // loaded texts, a negative number, or when no table exists. Any thread.
    static QString text(int id);

    // Creates the table (emptying one that exists) and reads the file at
    // `path` into it. A file that cannot be opened leaves the table empty and
    // returns false. Called once at start-up.
    static bool load(const QString& path);

    // Reads the file at `path` into the table. A file that cannot be opened
    // leaves the previous texts in place and returns false.
    static bool reload(const QString& path);

    // Deletes the table; later text() calls give empty texts. Shut-down only.
    static void free();

    // The number of texts loaded (0 without a table).
    static int count();

private:
    TextTable() = delete;
};
