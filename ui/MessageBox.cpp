#include "ui/MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

std::function<void(const QString&)>& Handler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

}  // namespace

void ShowMessage(QWidget* owner, const QString& text, MessageIcon icon) {
    if (Handler()) {
        Handler()(text);
        return;
    }
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, owner);
    box.exec();
}

void SetMessageHandler(std::function<void(const QString& text)> handler) { Handler() = std::move(handler); }
