#pragma once
// The save and print dialogs the pages open. Tests script the next answer
// instead of showing a dialog: a file name for the next save dialog, a PDF
// file for the next print dialog (the printer then prints into it), or an
// empty text for a user who cancels.

#include <QString>
#include <optional>

class QPrinter;
class QWidget;

class CFileDialogs {
public:
    // The file name the user chose for saving, empty when cancelled. filter is
    // a Qt name filter such as "Text File(*.txt)"; defaultSuffix is appended
    // by the dialog to a name typed without one. The dialog opens in the
    // user's documents folder (the home folder when there is none), not in
    // the folder the program happened to be started from.
    QString GetSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix);
    // Runs the print dialog for printer; false when cancelled.
    bool ExecPrintDialog(QWidget* parent, QPrinter& printer);

    // The next save dialog answers fileName without showing (empty: cancel).
    void SetNextFileName(const QString& fileName) { m_NextFileName = fileName; }
    // The next print dialog answers at once: the printer prints into the PDF
    // file pdfPath (empty: cancel).
    void SetNextPrintFile(const QString& pdfPath) { m_NextPrintFile = pdfPath; }
    // How many save and print dialogs were asked for (shown or scripted).
    int SaveDialogs() const { return m_SaveDialogs; }
    int PrintDialogs() const { return m_PrintDialogs; }
    // The folder the last save dialog opened in (shown or scripted).
    const QString& LastSaveFolder() const { return m_LastSaveFolder; }

private:
    int m_SaveDialogs = 0;
    int m_PrintDialogs = 0;
    QString m_LastSaveFolder;
    std::optional<QString> m_NextFileName;
    std::optional<QString> m_NextPrintFile;
};

// The dialogs of the application.
CFileDialogs& FileDialogs();
