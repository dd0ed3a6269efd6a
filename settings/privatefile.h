#pragma once
// Files that may hold a secret: the trace, a saved profile, swpctl's device
// cache, a capture, a password or key file. They are created readable by
// their owner only (0600, whatever the umask), never opened through a
// symbolic link, and never taken over from another user. Every folder on the
// way to a file written is walked from the root without following links
// (a link in a folder only its owner can write to is resolved by hand) and
// must be the user's or root's, writable by no one else unless its sticky
// bit protects what is not theirs (/tmp).

#include <QByteArray>
#include <QString>

#include <fcntl.h>

namespace privatefile {

struct WriteOpen {
    int fd = -1;   // owned by the caller, who closes it
    QString error; // the reason, when fd < 0
    bool Ok() const { return fd >= 0; }
};

// Whether OpenForWrite makes the file when there is none.
enum class Create { IfMissing, Never };

// Opens PATH for writing (extraFlags: O_TRUNC, O_APPEND, O_EXCL, O_RDWR),
// creating it with mode 0600 unless told never to. A link at PATH, a file that
// is not a regular file, that belongs to another user or that has another
// name (a hard link, which may be another user's file) is refused, as is a
// folder on the way that another user could change; an existing file of the
// user's is set to 0600.
WriteOpen OpenForWrite(const QString& path, int extraFlags = O_TRUNC,
                       Create create = Create::IfMissing);

// Replaces PATH with DATA at once: a new 0600 file beside it, written,
// synced and renamed over PATH. A link at PATH is replaced, never followed.
bool Save(const QString& path, const QByteArray& data, QString* error = nullptr);

// Whether FOLDER is the user's own and no one else may write to it, for a
// folder where the mere presence of a file decides something (the trace is
// on when its file exists): empty, or the reason.
QString CheckOwnFolder(const QString& folder);

struct ReadResult {
    bool ok = false;
    QByteArray data;
    QString error; // "is not a file that can be read", ... (without the path)
};

// What a read asks of the file.
enum class Owner {
    Anyone,       // any file that can be read: a pipe, /dev/stdin, /proc files too
    PrivateToUser // a regular file of the user's that no one else may read
};

// Opens PATH once (without following a link when PrivateToUser, never
// blocking on a FIFO), checks the open descriptor and reads at most LIMIT
// bytes: a longer file is an error, however its size is reported.
ReadResult Read(const QString& path, qint64 limit, Owner owner);

} // namespace privatefile
