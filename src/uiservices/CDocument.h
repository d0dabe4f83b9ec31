#pragma once
// What every document has: the application's services, the file it is
// kept in, its title and whether it changed since it was saved, each
// change announced to its windows.

#include <QObject>
#include <QString>

namespace pix {

class AppServices;

class CDocument : public QObject {
    Q_OBJECT
public:
    explicit CDocument(AppServices& app, QObject* parent = nullptr);

    // What the document and its views may ask of the application.
    AppServices& Services() { return app_; }

    const QString& PathName() const { return path_; }
    const QString& Title() const { return title_; }
    // The file's name becomes the title; the file joins the recent files.
    void SetPathName(const QString& path);
    void SetTitle(const QString& title);
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true);

signals:
    void titleChanged();
    void modifiedChanged(bool modified);

protected:
    AppServices& app_;
    QString path_;
    QString title_;
    bool modified_ = false;
};

}  // namespace pix
