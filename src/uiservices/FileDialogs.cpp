#include "uiservices/FileDialogs.h"

#include <QLineEdit>
#include <algorithm>
#include <cctype>

#include "common/Prompter.h"
#include "uiservices/FileChooser.h"

namespace pix {
namespace {

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

}  // namespace

std::vector<std::vector<std::string>> FilterPatterns(std::string_view filter)
{
    const std::vector<std::string> parts = Split(filter, '|');
    std::vector<std::vector<std::string>> out;
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2)
        out.push_back(Split(parts[i + 1], ';'));
    return out;
}

bool SaveTypeIsValid(const std::string& name, std::string_view filter)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string wanted = "*";
    wanted += Upper(name.substr(dot));
    for (const auto& entry : FilterPatterns(filter))
        for (const std::string& pattern : entry)
            if (Upper(pattern) == wanted)
                return true;
    return false;
}

std::string WithPatternExtension(const std::string& name, const std::string& pattern)
{
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0 || pattern == "*.*")
        return name;
    const std::string extension = pattern.substr(1);
    if (name.empty())
        return "*" + extension;
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash) && dot > 0;
    return (hasExtension ? name.substr(0, dot) : name) + extension;
}

CFileSave::CFileSave(Prompter& prompter, QWidget* parent, const QString& title, const QString& folder,
                     std::string_view filter)
    : QFileDialog(parent, title, folder), prompter_(prompter), filter_(filter), qtFilters_(QtFilters(filter))
{
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(qtFilters_);
    connect(this, &QFileDialog::filterSelected, this, &CFileSave::OnFilterSelected);
}

void CFileSave::OnFilterSelected(const QString& filter)
{
    const qsizetype index = qtFilters_.indexOf(filter);
    const auto patterns = FilterPatterns(filter_);
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name || index < 0 || static_cast<size_t>(index) >= patterns.size() || patterns[index].empty())
        return;
    name->setText(QString::fromStdString(WithPatternExtension(name->text().toStdString(), patterns[index][0])));
}

void CFileSave::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !SaveTypeIsValid(files.first().toStdString(), filter_)) {
        prompter_.Show(MsgId::NoValidFileType, {files.first().toStdString()});
        return;
    }
    QFileDialog::accept();
}

}  // namespace pix
