#include "shell/tray/qt_message_box.h"

#include <QMessageBox>

namespace ch {

void QtMessageBox::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace ch
