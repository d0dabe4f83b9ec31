#pragma once
// Shows the catalogue's messages in message boxes.

#include <QPointer>
#include <QWidget>

#include "common/Prompter.h"

namespace pix {

class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

protected:
    Answer Present(const MessageEntry& message, const std::string& text) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace pix
