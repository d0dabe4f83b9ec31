#pragma once
// The save dialog that refuses file types the program cannot write, and
// the rules of the file dialogs' patterns.

#include <QFileDialog>
#include <string>
#include <string_view>
#include <vector>

namespace pix {

class Prompter;

// The patterns of a "desc|patterns|...||" filter, entry by entry.
std::vector<std::vector<std::string>> FilterPatterns(std::string_view filter);
// Whether "*." + the upper-cased extension of name is one whole pattern of
// the filter (compared upper-cased).
bool SaveTypeIsValid(const std::string& name, std::string_view filter);
// name with the extension of pattern ("*.jpg") in place of its own; an
// empty name becomes "*" + that extension; "*.*" changes nothing.
std::string WithPatternExtension(const std::string& name, const std::string& pattern);

class CFileSave : public QFileDialog {
    Q_OBJECT
public:
    CFileSave(Prompter& prompter, QWidget* parent, const QString& title, const QString& folder,
              std::string_view filter);

    // A name whose type has no pattern is reported and keeps the dialog open.
    void accept() override;

private:
    void OnFilterSelected(const QString& filter);

    Prompter& prompter_;
    std::string filter_;
    QStringList qtFilters_;
};

}  // namespace pix
