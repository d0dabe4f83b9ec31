#include "platform/FileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

#include "common/Prompter.h"

namespace pix {

namespace {

std::string Std(const QString& s) { return QDir::toNativeSeparators(s).toStdString(); }

bool SameFile(const QString& a, const QString& b)
{
    QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

// Copies through a temporary file beside the target, so an interrupted
// copy never leaves a half-written target or destroys the old one.
bool CopyContents(const QString& source, const QString& target, QString& error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString();
        return false;
    }
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty()) {
        if (out.write(block) != block.size()) {
            error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        error = in.errorString();
        out.cancelWriting();
        return false;
    }
    out.setPermissions(in.permissions());
    if (!out.commit()) {
        error = out.errorString();
        return false;
    }
    return true;
}

bool ConfirmReplace(const QString& source, const QString& target, Prompter& prompter)
{
    if (!QFileInfo::exists(target))
        return true;
    if (SameFile(source, target))
        return false;
    return prompter.Show(MsgId::ConfirmOverwrite, {Std(target)}) == Answer::Yes;
}

}  // namespace

FileOpResult CopyFileTo(const QString& source, const QString& target, Prompter& prompter)
{
    if (!ConfirmReplace(source, target, prompter))
        return FileOpResult::Aborted;
    QString error;
    if (!CopyContents(source, target, error)) {
        prompter.Show(MsgId::CopyFailed, {Std(source), Std(target), error.toStdString()});
        return FileOpResult::Failed;
    }
    return FileOpResult::Done;
}

FileOpResult MoveFileTo(const QString& source, const QString& target, Prompter& prompter)
{
    if (QFileInfo(source).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
        return FileOpResult::Done;
    if (!ConfirmReplace(source, target, prompter))
        return FileOpResult::Aborted;
    // A rename within one file system replaces the target atomically.
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return FileOpResult::Done;
    QString error;
    if (!CopyContents(source, target, error)) {
        prompter.Show(MsgId::MoveFailed, {Std(source), Std(target), error.toStdString()});
        return FileOpResult::Failed;
    }
    if (!QFile::remove(source)) {
        prompter.Show(MsgId::MoveFailed, {Std(source), Std(target), QFile(source).errorString().toStdString()});
        return FileOpResult::Failed;
    }
    return FileOpResult::Done;
}

FileOpResult MoveToTrash(const QString& path, Prompter& prompter)
{
    if (prompter.Show(MsgId::ConfirmTrash, {Std(path)}) != Answer::Yes)
        return FileOpResult::Aborted;
    return SendToTrash(path, prompter);
}

FileOpResult SendToTrash(const QString& path, Prompter& prompter)
{
    if (!QFile::moveToTrash(path)) {
        prompter.Show(MsgId::TrashFailed, {Std(path)});
        return FileOpResult::Failed;
    }
    return FileOpResult::Done;
}

bool FileIsWritable(const QString& path)
{
    QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isWritable();
}

bool FileExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

}  // namespace pix
