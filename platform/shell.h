#pragma once
// The desktop shell as the wizard uses it: which program opens a document, and
// opening a document, folder or address. Results keep the shell's conventions:
// a value above 32 is success; SE_ERR_NOASSOC (31) means no program is
// registered for the document's type; SE_ERR_FNF (2) a missing file;
// SE_ERR_ACCESSDENIED (5) an opener that ran and failed.

#include <QByteArray>
#include <QString>
#include <QStringList>

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SHELL_OK = 42;

// Whether a value names an address (a URL with a scheme) rather than a file.
bool IsShellAddress(const QString& target);

class CShell {
public:
    virtual ~CShell() = default;
    // On success program receives the program (desktop entry) that opens file.
    virtual int FindExecutable(const QString& file, QString& program) = 0;
    // verb is "open" or "explore"; target a file, folder or address. Success
    // means the target was opened: the call returns when the opener has
    // finished, events keep flowing meanwhile.
    virtual int ShellExecute(const QString& verb, const QString& target) = 0;
    // Like ShellExecute for a program that keeps running (an installer): it
    // returns once the program started, and process receives its process id
    // (0 when the shell cannot tell which process that is).
    virtual int ShellStart(const QString& verb, const QString& target, qint64& process) {
        process = 0;
        return ShellExecute(verb, target);
    }
    // Runs program (an absolute path) with arguments and waits for its end,
    // events flowing meanwhile; output and error receive what it printed.
    // Returns its exit code; -1 when it could not start, crashed or was
    // still running after limitMs (it is then ended).
    virtual int RunProgram(const QString& program, const QStringList& arguments, QByteArray& output,
                           QByteArray& error, int limitMs);
};

// The shell in use: the desktop's (xdg-mime / xdg-open) unless a test set another.
CShell& Shell();
// Replaces the shell (null restores the desktop's); the caller keeps ownership.
void SetShell(CShell* shell);
