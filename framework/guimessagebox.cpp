#include "framework/guimessagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QWidget* Parent() {
    return QApplication::activeWindow();
}
} // namespace

void CGuiMessageBox::Information(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, Parent());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool CGuiMessageBox::Question(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    Parent());
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() != QMessageBox::No; // any answer but No counts as yes
}
