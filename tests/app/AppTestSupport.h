#pragma once
// A running application with scripted dialogs and recorded messages.

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "uiservices/FileChooser.h"
#include "common/SettingsStore.h"
#include "database/DatabaseAccess.h"
#include "database/ImageDatabase.h"
#include "dbui/CTwinSeekerDlg.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"
#include "imageui/CPixadromeView.h"

namespace pix::test {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

class ScriptedFileChooser final : public FileChooser {
public:
    std::deque<QStringList> opens;
    std::deque<QString> saves;
    QStringList titles;
    QStringList proposed;  // the names the save and single-file dialogs offered
    std::function<void()> onAsk;  // called as a dialog would open
    int filterChoice = 0;         // the filter the user picks in open dialogs (0: leaves it)

    QStringList ChooseOpen(QWidget*, const QString& title, const QString&, std::string_view, int& filterIndex) override
    {
        if (filterChoice != 0)
            filterIndex = filterChoice;
        return Next(opens, title);
    }
    QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder, const QString& proposedName,
                           std::string_view filter) override
    {
        proposed << proposedName;
        return FileChooser::ChooseOpenFile(parent, title, folder, proposedName, filter);
    }
    QString ChooseSave(QWidget*, const QString& title, const QString&, const QString& proposedName,
                       std::string_view, const QString&) override
    {
        proposed << proposedName;
        return Next(saves, title);
    }

private:
    template <class T>
    T Next(std::deque<T>& answers, const QString& title)
    {
        titles << title;
        if (onAsk)
            onAsk();
        if (answers.empty())
            return {};
        T r = answers.front();
        answers.pop_front();
        return r;
    }
};

struct RunningApp {
    MemorySettingsStore settings;
    RecordingPrompter prompter;
    ScriptedFileChooser files;
    std::unique_ptr<CPixadromeApp> app;

    RunningApp()
    {
        app = std::make_unique<CPixadromeApp>(settings, prompter, files);
        app->Start({});
        app->MainFrame()->resize(1000, 700);
    }
    ~RunningApp()
    {
        // Close without questions.
        for (CChildFrame* c : app->MainFrame()->Children())
            if (auto* v = qobject_cast<CPixadromeView*>(c->widget()))
                v->Document().SetModifiedFlag(false);
        app.reset();
    }
    CMainFrame& Main() { return *app->MainFrame(); }
    int WindowCount() { return static_cast<int>(Main().Children().size()); }
    // Shows the main window and makes it active, so that keys reach its shortcuts.
    bool ShowActive()
    {
        Main().show();
        QApplication::setActiveWindow(&Main());
        return QTest::qWaitForWindowActive(&Main());
    }
    CPixadromeView* ViewOf(CChildFrame* f) { return f ? qobject_cast<CPixadromeView*>(f->widget()) : nullptr; }
};

// The tests of a window in a running application, with a folder for
// their files.
class AppTest : public ::testing::Test {
protected:
    TempDir dir;
    RunningApp app;
};

// A running application whose database holds the records given.
struct DatabaseApp : RunningApp {
    TempDir dir;
    std::string dbPath = dir.File("pix.db");

    explicit DatabaseApp(const std::vector<CStrList>& records = {})
    {
        settings.SetString("Settings", "dbpath", dbPath);
        CImageDatabase db;
        for (const CStrList& r : records)
            db.Append(r);
        db.Save(dbPath);
    }
    // The live database, held by the test until Release().
    CImageDatabase& Hold()
    {
        std::lock_guard lock(DatabaseMutex());
        return *app->Database().AcquireDatabase();
    }
    void Release()
    {
        std::lock_guard lock(DatabaseMutex());
        app->Database().ReleaseDatabase();
    }
    // The records saved in path (the database's file by default).
    std::vector<CStrList> Saved(const std::string& path = {})
    {
        CImageDatabase db;
        db.Load(path.empty() ? dbPath : path);
        return db.Records();
    }
};

// Accepts the next Twin Seeker dialog as it comes, at the tolerance it proposes.
inline void AcceptTolerance()
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CTwinSeekerDlg*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->Edit()->text(), "95");
        dialog->accept();
    });
}

// A mouse move with buttons held, at p in w.
inline void MoveWith(QWidget* w, Qt::MouseButtons buttons, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Drags a window by the pointer from `from` to `to` (its own coordinates).
inline void DragFrame(QWidget* frame, QPoint from, QPoint to)
{
    QTest::mouseMove(frame, from);  // the frame picks move or size on hover
    QTest::mousePress(frame, Qt::LeftButton, {}, from);
    QTest::mouseMove(frame, to);
    QTest::mouseRelease(frame, Qt::LeftButton, {}, to);
}

// Saves a picture for the application to open; returns the path.
inline std::string WritePicture(const TempDir& dir, const std::string& name, CImageBuffer buf)
{
    EXPECT_TRUE(buf.Save(dir.File(name)).Ok()) << name;
    return dir.File(name);
}

// A 24-bit bitmap of w × h with distinct colours.
inline std::string WritePattern(const TempDir& dir, const std::string& name, uint32_t w, uint32_t h)
{
    return WritePicture(dir, name, Gradient(w, h));
}

}  // namespace pix::test
