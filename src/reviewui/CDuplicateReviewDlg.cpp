#include "reviewui/CDuplicateReviewDlg.h"

#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "common/Prompter.h"
#include "database/ContentKey.h"
#include "database/VerdictStore.h"
#include "image/CImageBuffer.h"
#include "platform/FileOperations.h"
#include "render/ImageConversion.h"
#include "uiservices/AppServices.h"
#include "uiservices/WaitCursor.h"

namespace pix {
namespace {

// Pictures are decoded at most this large (longer side of the group's
// largest), which is more than a cell of the window shows.
constexpr uint32_t kShownSide = 1200;
// The room around a picture for the frames of the selection and the mark.
constexpr int kFrame = 10;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// One picture of the group, drawn centred at the group's scale; a click
// selects it and opens it at full size.
class PictureView final : public QWidget {
public:
    PictureView(QImage image, QSize pixels, std::function<double()> scale, std::function<void()> clicked)
        : image_(std::move(image)), pixels_(pixels), scale_(std::move(scale)), clicked_(std::move(clicked))
    {
        setMinimumSize(120, 90);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        setCursor(Qt::PointingHandCursor);
    }
    QSize Pixels() const { return pixels_; }
    QSize Drawn() const
    {
        const double s = scale_();
        return QSize(std::max(1, static_cast<int>(std::lround(pixels_.width() * s))),
                     std::max(1, static_cast<int>(std::lround(pixels_.height() * s))));
    }
    void SetLook(bool selected, DuplicateReview::Mark mark, QString note)
    {
        selected_ = selected;
        mark_ = mark;
        note_ = std::move(note);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window).darker(selected_ ? 120 : 105));
        const QSize drawn = Drawn();
        const QRect target(QPoint((width() - drawn.width()) / 2, (height() - drawn.height()) / 2), drawn);
        if (!image_.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, image_);
        }
        if (mark_ != DuplicateReview::Mark::None) {
            const QColor colour = mark_ == DuplicateReview::Mark::Keep ? QColor(30, 150, 60) : QColor(210, 40, 40);
            if (mark_ == DuplicateReview::Mark::Delete)
                p.fillRect(target, QColor(210, 40, 40, 90));
            p.setPen(QPen(colour, 3));
            p.drawRect(target.adjusted(-2, -2, 1, 1));
        }
        if (image_.isNull() || !note_.isEmpty()) {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(rect(), Qt::AlignCenter, note_.isEmpty() ? tr("No picture") : note_);
        }
        if (selected_) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 4));
            p.drawRect(rect().adjusted(2, 2, -2, -2));
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            clicked_();
    }

private:
    QImage image_;
    QSize pixels_;
    std::function<double()> scale_;
    std::function<void()> clicked_;
    bool selected_ = false;
    DuplicateReview::Mark mark_ = DuplicateReview::Mark::None;
    QString note_;
};

// A picture as small as the window can use, or a null image.
QImage ShownPicture(const PictureFacts& facts, double decodeScale)
{
    CImageBuffer buffer;
    const auto hint = [&](uint32_t side) { return std::max<uint32_t>(1, static_cast<uint32_t>(side * decodeScale)); };
    if (facts.width && facts.height)
        buffer.Load(facts.path, hint(facts.width), hint(facts.height));
    else
        buffer.Load(facts.path);
    if (buffer.IsEmpty())
        return {};
    QImage image = ToQImage(buffer);
    if (static_cast<uint32_t>(std::max(image.width(), image.height())) > kShownSide)
        image = image.scaled(kShownSide, kShownSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QString StateNote(DuplicateReview::State state)
{
    switch (state) {
    case DuplicateReview::State::Missing:
        return CDuplicateReviewDlg::tr("missing");
    case DuplicateReview::State::Changed:
        return CDuplicateReviewDlg::tr("changed");
    case DuplicateReview::State::Present:
        break;
    }
    return {};
}

}  // namespace

// A picture with its mark and facts under it.
class CDuplicateReviewDlg::Cell final : public QWidget {
public:
    Cell(const PictureFacts& facts, QImage image, std::function<double()> scale, std::function<void()> clicked)
        : facts_(facts)
    {
        const QSize pixels = facts.width && facts.height ? QSize(static_cast<int>(facts.width),
                                                                  static_cast<int>(facts.height))
                                                          : image.size();
        picture_ = new PictureView(std::move(image), pixels, std::move(scale), std::move(clicked));
        mark_ = new QLabel;
        mark_->setAlignment(Qt::AlignHCenter);
        facts_label_ = new QLabel;
        facts_label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        facts_label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        facts_label_->setToolTip(QDir::toNativeSeparators(Q(facts.path)));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(picture_, 1);
        layout->addWidget(mark_);
        layout->addWidget(facts_label_);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        ShowFacts();
    }
    PictureView* Picture() const { return picture_; }
    QString MarkText() const { return mark_->text(); }
    void SetLook(bool selected, DuplicateReview::Mark mark, DuplicateReview::State state)
    {
        const QString note = StateNote(state);
        picture_->SetLook(selected, mark, note);
        QString text;
        if (mark == DuplicateReview::Mark::Keep)
            text = QStringLiteral("<b style='color:#1e963c'>%1</b>").arg(tr("keep"));
        else if (mark == DuplicateReview::Mark::Delete)
            text = QStringLiteral("<b style='color:#d22828'>%1</b>").arg(tr("delete"));
        if (!note.isEmpty())
            text += (text.isEmpty() ? QString() : QStringLiteral(" · ")) +
                    QStringLiteral("<b style='color:#b06000'>%1</b>").arg(note);
        mark_->setText(text.isEmpty() ? QStringLiteral("—") : text);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        ShowFacts();
    }

private:
    void ShowFacts()
    {
        const QLocale locale;
        QStringList lines;
        const int room = std::max(40, facts_label_->width() - 8);
        const QFontMetrics metrics = facts_label_->fontMetrics();
        lines << metrics.elidedText(QFileInfo(Q(facts_.path)).fileName(), Qt::ElideMiddle, room);
        lines << (facts_.width && facts_.height ? QStringLiteral("%1 × %2").arg(facts_.width).arg(facts_.height)
                                                 : tr("size unknown"));
        lines << (facts_.present ? locale.formattedDataSize(static_cast<qint64>(facts_.fileSize)) : tr("no file"));
        lines << (facts_.format.empty() ? tr("unknown format") : Q(facts_.format).toUpper());
        lines << (facts_.dateTaken.empty() ? tr("no date taken") : tr("taken %1").arg(Q(facts_.dateTaken)));
        lines << metrics.elidedText(QDir::toNativeSeparators(Q(facts_.folder)), Qt::ElideMiddle, room);
        facts_label_->setText(lines.join(QLatin1Char('\n')));
    }

    PictureFacts facts_;
    PictureView* picture_;
    QLabel* mark_;
    QLabel* facts_label_;
};

CDuplicateReviewDlg::CDuplicateReviewDlg(AppServices& app, const std::vector<std::vector<std::string>>& groups,
                                         std::string verdictsFile, QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app), review_(groups), verdictsFile_(std::move(verdictsFile))
{
    setWindowTitle(tr("Review duplicates"));
    setFocusPolicy(Qt::StrongFocus);
    heading_ = new QLabel;
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
    auto* keys = new QLabel(tr("Left/Right: choose a picture   K: keep   D: delete   N: not duplicates   "
                               "Page Up/Down: groups   click or Return: full size   Ctrl+Return: apply"));
    keys->setWordWrap(true);
    strip_ = new QWidget;
    stripLayout_ = new QHBoxLayout(strip_);
    stripLayout_->setContentsMargins(0, 0, 0, 0);
    status_ = new QLabel;
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    const auto button = [](const QString& text, const QString& tip) {
        auto* b = new QPushButton(text);
        b->setToolTip(tip);
        // Keys go to the window, which handles them whatever was clicked.
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    previous_ = button(tr("&Previous group"), tr("Show the previous group (Page Up)"));
    next_ = button(tr("Ne&xt group"), tr("Show the next group (Page Down)"));
    keep_ = button(tr("&Keep"), tr("Mark the selected picture to keep (K)"));
    delete_ = button(tr("&Delete"), tr("Mark the selected picture for the trash; again to take the mark back (D)"));
    notDuplicates_ = button(tr("&Not duplicates"), tr("Mark the whole group as no duplicates, so searches leave "
                                                      "it apart; again to take it back (N)"));
    apply_ = button(tr("&Apply"), tr("Move the pictures marked delete to the trash and remember the groups that "
                                     "are not duplicates (Ctrl+Return)"));
    close_ = button(tr("&Close"), tr("Close the review (Escape)"));
    connect(previous_, &QPushButton::clicked, this, [this] { ShowGroup(group_ > 0 ? group_ - 1 : group_); });
    connect(next_, &QPushButton::clicked, this, [this] { ShowGroup(group_ + 1); });
    connect(keep_, &QPushButton::clicked, this, &CDuplicateReviewDlg::OnKeep);
    connect(delete_, &QPushButton::clicked, this, &CDuplicateReviewDlg::OnDelete);
    connect(notDuplicates_, &QPushButton::clicked, this, &CDuplicateReviewDlg::OnNotDuplicates);
    connect(apply_, &QPushButton::clicked, this, &CDuplicateReviewDlg::OnApply);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {previous_, next_})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    for (QPushButton* b : {keep_, delete_, notDuplicates_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(keys);
    layout->addWidget(strip_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(1000, 680);
    if (review_.GroupCount() > 0)
        ShowGroup(0);
}

CDuplicateReviewDlg::~CDuplicateReviewDlg() = default;

QString CDuplicateReviewDlg::StatusText() const { return status_->text(); }

QWidget* CDuplicateReviewDlg::Picture(size_t member) const
{
    return member < cells_.size() ? cells_[member]->Picture() : nullptr;
}

QSize CDuplicateReviewDlg::DrawnSize(size_t member) const
{
    return member < cells_.size() ? cells_[member]->Picture()->Drawn() : QSize();
}

double CDuplicateReviewDlg::GroupScale() const
{
    // One scale for the whole group: the largest that lets every picture
    // fit its cell, never above full size.
    double scale = 1.0;
    for (const Cell* cell : cells_) {
        const PictureView* view = cell->Picture();
        const QSize pixels = view->Pixels();
        if (pixels.isEmpty())
            continue;
        const double room = std::min(static_cast<double>(view->width() - 2 * kFrame) / pixels.width(),
                                     static_cast<double>(view->height() - 2 * kFrame) / pixels.height());
        scale = std::min(scale, std::max(room, 0.001));
    }
    return scale;
}

void CDuplicateReviewDlg::ShowGroup(size_t group)
{
    if (group >= review_.GroupCount())
        return;
    const bool sameGroup = group == group_ && !cells_.empty();
    group_ = group;
    if (!sameGroup) {
        const WaitCursor wait;
        for (Cell* cell : cells_)
            delete cell;
        cells_.clear();
        uint32_t largest = 1;
        for (size_t m = 0; m < review_.MemberCount(group); ++m)
            largest = std::max({largest, review_.Facts(group, m).width, review_.Facts(group, m).height});
        const double decodeScale = std::min(1.0, static_cast<double>(kShownSide) / largest);
        for (size_t m = 0; m < review_.MemberCount(group); ++m) {
            const PictureFacts& facts = review_.Facts(group, m);
            QImage image = review_.StateOf(group, m) == DuplicateReview::State::Missing
                               ? QImage()
                               : ShownPicture(facts, decodeScale);
            auto* cell = new Cell(facts, std::move(image), [this] { return GroupScale(); },
                                  [this, m] { OpenMember(m); });
            stripLayout_->addWidget(cell, 1);
            cells_.push_back(cell);
        }
        selected_ = review_.Keeper(group);
        SetStatus(Summary());
    }
    Refresh();
}

void CDuplicateReviewDlg::Select(size_t member)
{
    if (member >= cells_.size())
        return;
    selected_ = member;
    Refresh();
}

void CDuplicateReviewDlg::Refresh()
{
    const size_t count = review_.GroupCount();
    QString heading = tr("Group %1 of %2: %3 pictures").arg(group_ + 1).arg(count).arg(cells_.size());
    if (count && review_.NotDuplicates(group_))
        heading += tr(" (not duplicates)");
    heading_->setText(heading);
    for (size_t m = 0; m < cells_.size(); ++m)
        cells_[m]->SetLook(m == selected_, review_.MarkOf(group_, m), review_.StateOf(group_, m));
    previous_->setEnabled(group_ > 0);
    next_->setEnabled(group_ + 1 < count);
    notDuplicates_->setText(count && review_.NotDuplicates(group_) ? tr("Duplicates after &all")
                                                                   : tr("&Not duplicates"));
}

void CDuplicateReviewDlg::SetStatus(const QString& text) { status_->setText(text); }

QString CDuplicateReviewDlg::Summary() const
{
    return tr("Files marked delete: %1    Groups marked not duplicates: %2")
        .arg(review_.MarkedForDelete().size())
        .arg(review_.NotDuplicateGroups().size());
}

void CDuplicateReviewDlg::OnKeep()
{
    if (cells_.empty())
        return;
    review_.MarkKeep(group_, selected_);
    SetStatus(Summary());
    Refresh();
}

void CDuplicateReviewDlg::OnDelete()
{
    if (cells_.empty())
        return;
    if (review_.MarkOf(group_, selected_) == DuplicateReview::Mark::Delete) {
        review_.ClearMark(group_, selected_);
        SetStatus(Summary());
        Refresh();
        return;
    }
    switch (review_.MarkDelete(group_, selected_)) {
    case DuplicateReview::Refusal::None:
        SetStatus(Summary());
        break;
    case DuplicateReview::Refusal::Missing:
        SetStatus(tr("Not marked delete: the file is missing."));
        break;
    case DuplicateReview::Refusal::Changed:
        SetStatus(tr("Not marked delete: the file has changed since the search."));
        break;
    case DuplicateReview::Refusal::LastCopy:
        SetStatus(tr("Not marked delete: it is the last copy of this group that is present and unchanged."));
        break;
    }
    Refresh();
}

void CDuplicateReviewDlg::OnNotDuplicates()
{
    if (cells_.empty())
        return;
    review_.ToggleNotDuplicates(group_);
    SetStatus(Summary());
    Refresh();
}

void CDuplicateReviewDlg::OpenMember(size_t member)
{
    Select(member);
    if (review_.StateOf(group_, member) != DuplicateReview::State::Missing)
        app_.OpenImageWindow(Q(review_.Facts(group_, member).path));
}

void CDuplicateReviewDlg::OnApply()
{
    if (ApplyMarks(false)) {
        applied_ = true;
        close();
    }
}

bool CDuplicateReviewDlg::ApplyMarks(bool confirmed)
{
    Prompter& prompter = app_.Prompt();
    const auto marked = review_.MarkedForDelete();
    if (!confirmed && !marked.empty() &&
        prompter.Show(MsgId::ReviewConfirmTrash, {static_cast<long long>(marked.size())}) != Answer::Yes)
        return false;
    const WaitCursor wait;
    for (const auto& [group, member] : marked) {
        const PictureFacts& facts = review_.Facts(group, member);
        if (!Unchanged(facts))
            prompter.Show(MsgId::ReviewFileChanged, {facts.path});
        else if (!review_.KeepsACopy(group, member))
            prompter.Show(MsgId::ReviewLastCopyStays, {facts.path});
        else
            SendToTrash(Q(facts.path), prompter);
    }
    VerdictStore verdicts;
    bool added = false;
    for (size_t group : review_.NotDuplicateGroups()) {
        std::vector<ContentId> ids;
        for (size_t m = 0; m < review_.MemberCount(group); ++m)
            if (const std::optional<ContentId> id = ContentIdOfFile(review_.Facts(group, m).path))
                ids.push_back(*id);
        for (size_t a = 0; a < ids.size(); ++a)
            for (size_t b = a + 1; b < ids.size(); ++b)
                added = verdicts.AddNotDuplicates(ids[a], ids[b]) || added;
    }
    if (added && !verdicts.Save(verdictsFile_))
        prompter.Show(MsgId::VerdictsWriteFailed, {verdictsFile_});
    return true;
}

void CDuplicateReviewDlg::keyPressEvent(QKeyEvent* event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        next_->click();
        break;
    case Qt::Key_PageUp:
        previous_->click();
        break;
    case Qt::Key_Left:
        Select(selected_ > 0 ? selected_ - 1 : selected_);
        break;
    case Qt::Key_Right:
        Select(selected_ + 1);
        break;
    case Qt::Key_K:
        OnKeep();
        break;
    case Qt::Key_D:
        OnDelete();
        break;
    case Qt::Key_N:
        OnNotDuplicates();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (control)
            OnApply();
        else if (!cells_.empty())
            OpenMember(selected_);
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CDuplicateReviewDlg::closeEvent(QCloseEvent* event)
{
    if (applied_ || !review_.HasPending()) {
        event->accept();
        return;
    }
    switch (app_.Prompt().Show(MsgId::ReviewApplyOnClose,
                               {static_cast<long long>(review_.MarkedForDelete().size())})) {
    case Answer::Yes:
        applied_ = ApplyMarks(true);
        event->setAccepted(applied_);
        break;
    case Answer::No:
        event->accept();
        break;
    default:
        event->ignore();
        break;
    }
}

}  // namespace pix
