// pixadrome-cli associations: the image types Pixadrome opens, as the
// associations dialog shows them, and the changes its OK makes.

#include <QCommandLineParser>
#include <algorithm>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "platform/FileAssociations.h"
#include "platform/QSettingsStore.h"

namespace pix {

int CmdAssociations(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("claim"), QStringLiteral("Claim the extensions as the first start does.")});
    parser.addOption({QStringLiteral("set"), QStringLiteral("Tick (1) or untick (0) extensions, then apply."),
                      QStringLiteral("EXT=0|1,...")});
    int status = 0;
    if (!ParseCommand(parser, args,
                      "Prints EXT<TAB>0|1<TAB>PREVIOUS<TAB>DESCRIPTION for each image extension Pixadrome may open.",
                      io, status))
        return status;
    QSettingsStore settings;
    FileAssociations associations(settings);
    if (parser.isSet(QStringLiteral("claim")))
        associations.ClaimAtStartup();
    std::vector<AssociationRow> rows = associations.Open();
    if (parser.isSet(QStringLiteral("set"))) {
        for (const QString& item : parser.value(QStringLiteral("set")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString extension = item.section(QLatin1Char('='), 0, 0).toLower();
            const QString value = item.section(QLatin1Char('='), 1);
            const auto row = std::find_if(rows.begin(), rows.end(),
                                          [&](const AssociationRow& r) { return r.extension == extension; });
            if (row == rows.end() || (value != QLatin1String("0") && value != QLatin1String("1"))) {
                io.err << "pixadrome-cli: associations --set: '" << item.toStdString() << "' is not EXT=0 or EXT=1\n";
                return 2;
            }
            if (row->ticked != (value == QLatin1String("1")))
                FileAssociations::Toggle(rows, static_cast<size_t>(row - rows.begin()));
        }
        CliPrompter prompter(io.err);
        for (MsgId failure : associations.Apply(rows)) {
            prompter.Show(failure);
            status = 1;
        }
        rows = associations.Open();
    }
    for (const AssociationRow& row : rows)
        io.out << row.extension.toStdString() << '\t' << (row.ticked ? 1 : 0) << '\t' << row.previous.toStdString()
               << '\t' << FileAssociations::ShownDescription(row).toStdString() << '\n';
    return status;
}

}  // namespace pix
