#pragma once
// A running application with scripted dialogs and recorded messages.

#include <QApplication>
#include <QMdiArea>
#include <deque>
#include <memory>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "uiservices/FileChooser.h"
#include "common/SettingsStore.h"
#include "image/CImageBuffer.h"
#include "support/TestSupport.h"
#include "imageui/CPixadromeView.h"

namespace pix::test {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

class ScriptedFileChooser final : public FileChooser {
public:
    std::deque<QStringList> opens;
    std::deque<QString> saves;
    QStringList titles;

    QStringList ChooseOpen(QWidget*, const QString& title, const QString&, std::string_view, int&) override
    {
        titles << title;
        if (opens.empty())
            return {};
        QStringList r = opens.front();
        opens.pop_front();
        return r;
    }
    QString ChooseSave(QWidget*, const QString& title, const QString&, const QString&, std::string_view) override
    {
        titles << title;
        if (saves.empty())
            return {};
        QString r = saves.front();
        saves.pop_front();
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
    CPixadromeView* ViewOf(CChildFrame* f) { return f ? qobject_cast<CPixadromeView*>(f->widget()) : nullptr; }
};

// A 24-bit picture of w × h with distinct colours, written as a bitmap.
inline CImageBuffer Pattern(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    buf.Create(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x + y));
    return buf;
}

inline std::string WritePattern(const TempDir& dir, const std::string& name, uint32_t w, uint32_t h)
{
    RecordingPrompter p;
    CImageBuffer buf = Pattern(w, h);
    const std::string path = dir.File(name);
    buf.Save(path, p);
    return path;
}

}  // namespace pix::test
