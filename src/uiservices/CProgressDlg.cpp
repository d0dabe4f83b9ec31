#include "uiservices/CProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace pix {

int CProgressDlg::active_ = 0;

CProgressDlg::CProgressDlg(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), main_(mainWindow)
{
    setModal(false);
    setWindowTitle(QString());
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    text_ = new QLabel(tr("Initializing"), this);
    text_->setMinimumWidth(320);
    text_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    cancel_ = new QPushButton(tr("Cancel"), this);
    background_ = new QPushButton(tr("Background"), this);
    connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::Cancel);
    connect(background_, &QPushButton::clicked, this, [this] {
        if (main_)
            main_->showMinimized();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(background_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(bar_);
    layout->addLayout(buttons);

    if (main_)
        savedTitle_ = main_->windowTitle();
    ++active_;
    qApp->installEventFilter(this);
    show();
    if (main_)
        move(main_->geometry().center() - rect().center());
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CProgressDlg::~CProgressDlg()
{
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
    --active_;
    if (main_) {
        main_->setWindowTitle(savedTitle_);
        if (main_->isMinimized()) {
            main_->setAttribute(Qt::WA_ShowWithoutActivating);
            main_->showNormal();
            main_->setAttribute(Qt::WA_ShowWithoutActivating, false);
        }
    }
}

void CProgressDlg::SetRange(int lower, int upper) { bar_->setRange(lower, upper); }

namespace {
constexpr qint64 kShowMs = 50;
constexpr qint64 kPumpMs = 10;
}  // namespace

bool CProgressDlg::Step(std::string_view text, int position)
{
    pendingText_.assign(text);
    pendingPosition_ = position;
    pending_ = true;
    ShowPendingStep();
    return Pump();
}

void CProgressDlg::ShowPendingStep()
{
    if (!pending_ || (sinceShown_.isValid() && sinceShown_.elapsed() < kShowMs))
        return;
    text_->setText(QString::fromStdString(pendingText_));
    bar_->setValue(pendingPosition_);
    pending_ = false;
    sinceShown_.start();
}

void CProgressDlg::ShowPercentInTitle()
{
    const long long low = bar_->minimum();
    const long long high = bar_->maximum();
    const long long position = bar_->value();
    const long long percent = ((position + 1) * 100) / (high - low + 1);
    main_->setWindowTitle(QStringLiteral("Pixadrome %1%").arg(percent));
}

bool CProgressDlg::Pump()
{
    if (cancelled_)
        return false;
    if (sincePumped_.isValid() && sincePumped_.elapsed() < kPumpMs)
        return true;
    sincePumped_.start();
    // A step held back shows once its time has come, also while the
    // operation waits for its next one.
    ShowPendingStep();
    if (main_ && main_->isMinimized())
        ShowPercentInTitle();
    // Input to other windows is held back by the event filter; paint,
    // window-manager and this window's events go through.
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (main_ && !main_->isMinimized() && main_->windowTitle() != savedTitle_)
        main_->setWindowTitle(savedTitle_);
    return !cancelled_;
}

void CProgressDlg::Cancel()
{
    cancelled_ = true;
    cancel_->setEnabled(false);
    background_->setEnabled(false);
}

bool CProgressDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            Cancel();
            return true;
        }
        [[fallthrough]];
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride: {
        // Only this window takes input while the operation runs. Mouse
        // events reach the native window first, then its widgets.
        if (watched->isWindowType())
            return watched != static_cast<QObject*>(windowHandle());
        auto* widget = qobject_cast<QWidget*>(watched);
        return !(widget && (widget == this || isAncestorOf(widget)));
    }
    case QEvent::Close:
        // Closing the main window during the operation is refused.
        if (watched == main_.data()) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CProgressDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CProgressDlg::closeEvent(QCloseEvent* event)
{
    Cancel();
    event->ignore();
}

}  // namespace pix
