#pragma once
// The slide show of a contact sheet: one item's picture at a time, fitted
// to the window or at its own size, stepping by key, command or timer in
// the sheet's order or at random. Slides are decoded off the window thread
// (the next one ahead, the one just left kept); a fitted slide shows at
// once as a fast stretch, then as the resampled copy a worker makes.
// Caption, status text and picture change together. Another view on the
// sheet's document: it follows the document's hints and runs the item's
// file commands.

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "processing/SlideScaler.h"
#include "sheets/SlideShow.h"

class QAction;
class QMenu;

namespace pix {

class CSheetDocument;
class SlideLoader;

class CSlideView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The view joins doc's views, reads its settings and asks for the
    // first slide.
    explicit CSlideView(CSheetDocument& doc, QWidget* parent = nullptr);
    // Stops the timer, waits for the decode and the resampling at hand and
    // writes the settings.
    ~CSlideView() override;

    CSheetDocument& Document() { return *doc_; }
    // The position asked for last (navigation counts from it) and the one
    // shown; -1 when nothing is shown.
    int Index() const { return show_.Index(); }
    int ShownIndex() const { return show_.Shown(); }
    // The sheet's title, " - " and the shown slide's path.
    QString Caption() const;
    // "3 of 20 - 4000x3000", "3 of 20 - no image".
    QString StatusText() const;
    // The shown slide's file (empty when the sheet is).
    std::optional<std::string> ViewedFile() const;
    // True while the slide asked for is being decoded.
    bool Decoding() const { return show_.Decoding(); }
    // True when the slide at position is decoded (and its file unchanged).
    bool SlideReady(int position);
    // True when the last paint drew the resampled copy.
    bool PaintedResampled() const { return paintedResampled_; }

    bool Automatic() const { return timer_.isActive() || show_.TickWaiting(); }
    bool SizeToFit() const { return sizeToFit_; }
    bool RandomOrder() const { return show_.Random(); }
    int Delay() const { return show_.Delay(); }
    // Milliseconds, kept within 10..60000; a running timer restarts.
    void SetDelay(int milliseconds);

    // Commands.
    void OnNext() { ShowSlide(show_.Index() + 1); }
    void OnPrevious() { ShowSlide(show_.Index() - 1); }
    void OnFirst() { ShowSlide(0); }
    void OnLast();
    void OnAutomatic();
    void OnSizeToFit();
    void OnRandomOrder();
    void OnOpenFile();
    void OnDeleteFile();
    void OnCopyFile();
    void OnMoveFile();
    void OnRemove();

    // The commands by name ("slideNext", "slideAutomatic", ...), with their
    // prompts, checks and enabling kept up to date.
    QAction* Action(const char* name) const;
    // The controls bar's check ("slideControls"); the window around the view
    // shows and hides the bar.
    QAction* ControlsAction() const { return Action("slideControls"); }
    // The popup: "Open file" first, as the default.
    QMenu* MakeContextMenu(QWidget* parent);

signals:
    void captionChanged();
    void statusTextChanged(const QString& text);
    // A slide (or nothing, for an empty sheet) was shown.
    void slideShown();
    // The view was painted.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }
    void scrollContentsBy(int dx, int dy) override;

private:
    void MakeActions();
    void UpdateActions();
    // Asks the show for slide n and shows it when decoded (at once when it
    // is ready).
    void ShowSlide(long n);
    void OnDecoded();
    void Present();
    void ShowNothing();
    void Layout();
    // Starts the worker for the layout not yet asked for.
    void RequestResample();
    void OnTick();
    void OnUpdate(QObject* sender, uint32_t hint);
    // Hands the loader what the show wants decoded and kept.
    void WantSlides();

    CSheetDocument* doc_;
    SlideShow show_;
    // A resampled copy is on its way: decoding ahead waits for it (the
    // workers share the processor with the window).
    bool resampling_ = false;
    // The size of the layout whose worker waits for the fast picture.
    std::optional<SlideSize> layoutTarget_;
    bool sizeToFit_ = true;
    QTimer timer_;
    uint32_t slideWidth_ = 0;
    uint32_t slideHeight_ = 0;
    bool swallowPress_ = false;
    bool paintedResampled_ = false;
    std::unique_ptr<SlideScaler> scaler_;
    std::unique_ptr<SlideLoader> loader_;
};

}  // namespace pix
