#include "uiservices/QtPrompter.h"

#include <QMessageBox>

namespace pix {

Answer QtPrompter::Present(const MessageEntry& message, const std::string& text)
{
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromUtf8(message.title.data(), static_cast<qsizetype>(message.title.size())));
    box.setText(QString::fromStdString(text));
    switch (message.icon) {
    case MsgIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::None:
        break;
    }
    switch (message.buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return message.buttons == MsgButtons::YesNo ? Answer::No : Answer::Ok;
    }
}

}  // namespace pix
