#pragma once

#include <QDateTime>
#include <QString>

// The lock beside the ledger that keeps a second program from writing it.
// Households keep the ledger in shared or synced folders, whose file
// systems do not honour the engine's locks, so a program that writes the
// ledger first leaves a small file beside it ("Data.qhd.lock") naming the
// computer, the operating-system user, the process and since when; a
// program started meanwhile reads it and opens the ledger read-only or not
// at all. The file is written whole under another name and then named, is
// read at most 4 KiB at a time and never through a link, and a lock that
// cannot be read counts as damaged, never as anybody's.
class LedgerLock
{
public:
    // What a lock file says.
    struct Holder
    {
        QString host;       // the computer's name
        QString machine;    // the computer's machine id (where it has one)
        QString user;       // the operating-system user
        qint64 pid = 0;     // the process
        QDateTime since;    // when it took the lock
        QDateTime seen;     // when it last said it was there (every hour)
        QString boot;       // the boot of its computer (same computer only)
        qint64 started = 0; // when its process started, in ticks since the boot
    };
    enum class Status {
        Free,    // no lock: the ledger is nobody's
        Held,    // a running program holds it (or one on another computer that was there within a day)
        Stale,   // its process is gone (this computer) or it is more than a day old (another computer)
        Damaged, // a lock that cannot be read: not a plain file, too large, or not the program's
    };

    // The lock of the ledger file ledger; nothing is taken yet.
    explicit LedgerLock(const QString &ledger);
    // Releases the lock when held.
    ~LedgerLock();
    LedgerLock(const LedgerLock &) = delete;
    LedgerLock &operator=(const LedgerLock &) = delete;

    // The lock file's path: the ledger's with ".lock".
    QString file() const { return m_file; }
    // Reads the lock file and judges it at now; *holder (when given) gets
    // what it says (texts cut short and without control characters; empty
    // for a damaged lock). Never changes anything; never fails.
    Status examine(const QDateTime &now, Holder *holder = nullptr) const;
    // Takes the lock when there is none: false (and *why, in Chinese) when
    // a lock is there, whoever took it in the meantime, or none can be
    // written in the ledger's folder.
    bool take(const QDateTime &now, QString *why = nullptr);
    // Replaces the lock that is there (a stale or damaged one, once the
    // household agreed) by this program's; a link there is replaced, never
    // followed. False (and *why) when it cannot be written.
    bool takeOver(const QDateTime &now, QString *why = nullptr);
    // Whether this program holds the lock: it took it and the file still
    // says so.
    bool isHeld() const;
    // Writes the hour of now into the lock held, so that other computers
    // see the program is there; nothing when the lock is no longer ours.
    void refresh(const QDateTime &now);
    // Removes the lock file when it is this program's; a lock another
    // program took over stays. Never fails. Done by itself when the lock
    // goes, and for a lock still held when the process ends through exit().
    void release();
    // Releases every lock this process holds: for an end that runs no
    // destructor and no exit handler (_Exit). Never fails.
    static void releaseHeld();

    // This process's holder at now.
    static Holder self(const QDateTime &now);
    // The text of a lock file for holder, and holder from such a text
    // (false when the text is not the program's lock).
    static QByteArray format(const Holder &holder);
    static bool parse(const QByteArray &text, Holder *holder);
    // Whether holder is of this computer (its machine id where both have
    // one, else its name).
    static bool isThisComputer(const Holder &holder);
    // Judges holder at now (this computer: is its process running; another:
    // was it there within a day).
    static Status judge(const Holder &holder, const QDateTime &now);
    // The most bytes a lock file may have.
    static constexpr int MaxSize = 4096;

private:
    bool write(const QByteArray &text, bool replace, QString *why);
    QByteArray readRaw(bool *exists) const;

    QString m_file;
    QByteArray m_written; // what this program wrote, while it holds the lock
};
