#include "slideui/CSlideWindow.h"

#include <QAction>
#include <QSpinBox>
#include <QToolBar>

#include "slideui/CSlideView.h"
#include "uiservices/CSheetDocument.h"

namespace pix {

CSlideWindow::CSlideWindow(CSheetDocument& doc, QWidget* parent)
    : QMainWindow(parent),
      view_(new CSlideView(doc, this)),
      controls_(new QToolBar(this)),
      spin_(new QSpinBox)
{
    setWindowFlags(Qt::Widget);  // a main window is a window of its own otherwise
    setCentralWidget(view_);
    setFocusProxy(view_);
    controls_->setObjectName(QStringLiteral("slideControls"));
    controls_->setIconSize(QSize(16, 16));
    const auto title = [this, &doc] { controls_->setWindowTitle(doc.Title() + tr(" controls")); };
    title();
    connect(&doc, &CSheetDocument::titleChanged, controls_, title);
    for (const char* name : {"slidePrevious", "slideNext", "slideFirst", "slideLast", "slideAutomatic"})
        controls_->addAction(view_->Action(name));
    spin_->setRange(1, 6000);
    spin_->setFixedWidth(48);
    spin_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spin_->setToolTip(tr("Delay (1/100 s)"));
    spin_->setFocusPolicy(Qt::ClickFocus);
    spin_->setValue(view_->Delay() / 10);
    controls_->addWidget(spin_);
    for (const char* name : {"slideRandom", "slideFit"})
        controls_->addAction(view_->Action(name));
    controls_->addSeparator();
    for (const char* name : {"slideOpen", "slideCopy", "slideMove", "slideDelete"})
        controls_->addAction(view_->Action(name));
    addToolBar(Qt::TopToolBarArea, controls_);
    // Arrows and typed numbers alike set the delay.
    connect(spin_, &QSpinBox::valueChanged, view_, [this](int value) { view_->SetDelay(value * 10); });
    connect(spin_, &QSpinBox::editingFinished, view_, [this] { view_->setFocus(); });

    QAction* toggle = view_->ControlsAction();
    connect(toggle, &QAction::toggled, controls_, &QToolBar::setVisible);
    connect(controls_, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
        // Hidden with the window is not hidden by the user.
        if (isVisible())
            toggle->setChecked(visible);
    });
    for (QWidget* w : controls_->findChildren<QWidget*>())
        if (w != spin_ && !spin_->isAncestorOf(w))
            w->setFocusPolicy(Qt::NoFocus);
}

}  // namespace pix
