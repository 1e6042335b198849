#include "shell/tray/qt_message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace ch {

void QtMessageBox::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

void QtMessageBox::ShowSaved(const std::string& text, const std::string& title,
                             const std::filesystem::path& folder) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok);
    QPushButton* open = box.addButton(QStringLiteral("&Open folder"), QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("cmdOpenFolder"));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == open)
        opener_(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

}  // namespace ch
