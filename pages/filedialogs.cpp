#include "pages/filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace {

QString SaveFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

} // namespace

QString CFileDialogs::GetSaveFileName(QWidget* parent, const QString& filter,
                                      const QString& defaultSuffix) {
    ++m_SaveDialogs;
    m_LastSaveFolder = SaveFolder();
    if (m_NextFileName) {
        const QString answer = *m_NextFileName;
        m_NextFileName.reset();
        return answer;
    }
    QFileDialog dialog(parent, QString(), m_LastSaveFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool CFileDialogs::ExecPrintDialog(QWidget* parent, QPrinter& printer) {
    ++m_PrintDialogs;
    if (m_NextPrintFile) {
        const QString pdfPath = *m_NextPrintFile;
        m_NextPrintFile.reset();
        if (pdfPath.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

CFileDialogs& FileDialogs() {
    static CFileDialogs dialogs;
    return dialogs;
}
