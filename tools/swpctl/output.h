#pragma once
// What a swpctl run prints. Results go to standard output: text, or with
// --json one JSON document, printed once at the end, that also carries an
// "error" object (the exit code, its name and the message) when the run
// fails. Messages go to standard error, one line each. Every text that
// reaches the terminal is made printable: device names, SSIDs and PINs come
// from the network unauthenticated. The JSON keeps exact values.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace swpctl {

// The name scripts see for an exit code: "no-device", "login-refused", ...
QString ExitCodeName(int code);
// {"code": 4, "name": "login-refused", "message": "..."}
QJsonObject ErrorJson(int code, const QString& message);

void SetJsonOutput(bool json);
bool JsonOutput();

// A result on standard output; with --json it goes to standard error, as the
// document says it.
void Out(const QString& text);
// "swpctl: text" on standard error; with --json also the error message of
// the document when the run fails.
void Err(const QString& text);
// The message of the document's error object, not printed (doctor prints its
// own report).
void NoteFailure(const QString& message);

// The document of a --json run. A list result is named by key, the name it
// has in the document of a failed run ({"devices": [], "error": {...}}).
void SetDocument(const QJsonObject& document);
void SetDocument(const QJsonArray& list, const QString& key);
bool HasDocument();
// Prints the document once, with the error object when code is not 0; does
// nothing without --json or when it was printed already.
void PrintDocument(int code);

} // namespace swpctl
