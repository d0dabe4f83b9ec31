// pixadrome-cli sheet: a contact sheet of files, saved as a sheet file,
// as page pictures or as web pages.

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/CliSupport.h"
#include "common/Progress.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "platform/MemoryStatus.h"
#include "render/FontConversion.h"
#include "render/SheetPages.h"
#include "render/ThumbnailPainter.h"
#include "sheets/Fields.h"
#include "sheets/HtmlExport.h"
#include "sheets/NewSheet.h"
#include "sheets/SheetOutput.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {

int CmdSheet(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Files and folders (their files)."),
                                 QStringLiteral("PATH..."));
    QCommandLineOption out({QStringLiteral("o"), QStringLiteral("output")},
                           QStringLiteral("The sheet (.pxc), page pictures (image extension) or web pages (.html)."),
                           QStringLiteral("OUT"));
    QCommandLineOption format(QStringLiteral("format"), QStringLiteral("A thumbnail format file (.tfm)."),
                              QStringLiteral("F"));
    QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Page size in pixels (default 1024x768)."),
                            QStringLiteral("WxH"));
    QCommandLineOption suffix(QStringLiteral("suffix"),
                              QStringLiteral("Web pages: appended to each thumbnail's name (default _small.jpg)."),
                              QStringLiteral("S"));
    QCommandLineOption noCache(QStringLiteral("no-cache"),
                               QStringLiteral("Neither read nor write the desktop's thumbnail cache."));
    parser.addOptions({out, format, size, suffix, noCache});
    int status = 0;
    if (!ParseCommand(parser, args, "Makes a contact sheet of pictures.", io, status))
        return status;
    if (!parser.isSet(out) || parser.positionalArguments().isEmpty()) {
        io.err << "pixadrome-cli: sheet needs files and -o OUT\n";
        return 2;
    }
    uint32_t width = settings::kPageWidth.fallback;
    uint32_t height = settings::kPageHeight.fallback;
    if (parser.isSet(size) && (!ParseSize(parser.value(size), width, height) || width < 1 || height < 1 ||
                               width > 20000 || height > 20000)) {
        io.err << "pixadrome-cli: --size must be WxH, each 1 to 20000\n";
        return 2;
    }
    std::vector<std::string> files;
    if (!ExpandPaths(parser.positionalArguments(), files, io))
        return 1;
    const std::string output = NativePath(QFileInfo(parser.value(out)).absoluteFilePath());
    const std::string title = ThumbnailSheet::FileNameOf(output);

    CliPrompter prompter(io.err);
    CThumbnailSettings::SetDefaultFont(SystemLogFont());
    ThumbnailSheet sheet;
    sheet.SetLabelExpander(ExpandLabelFields);
    MemorySettingsStore store;  // the default format
    if (parser.isSet(format)) {
        CThumbnailSettings chosen;
        if (!chosen.LoadFormatFile(NativePath(parser.value(format)), prompter))
            return 1;
        chosen.SaveToRegistry(store);
    }
    std::optional<DesktopThumbnailCache> cache;
    if (!parser.isSet(noCache))
        cache = DesktopThumbnailCache::ForUser();
    const PaintedThumbnailMaker painter({}, cache);
    {
        TerminalProgress progress;
        PrefetchingThumbnailMaker maker(painter, files, progress);
        if (!MakeNewSheet(sheet, files, store, AvailableMemory(), maker, progress, prompter))
            return 1;
    }

    switch (SheetOutputFor(output)) {
    case SheetOutput::Sheet:
        if (!sheet.Save(output)) {
            io.err << "pixadrome-cli: " << output << ": could not write\n";
            return 1;
        }
        io.out << output << '\n';
        return 0;
    case SheetOutput::Pictures: {
        TerminalProgress progress;
        const auto written = ExportPictures(sheet, title, output, static_cast<int>(width), static_cast<int>(height),
                                            progress, prompter);
        for (const auto& path : written)
            io.out << path << '\n';
        return written.empty() || prompter.ShownCount() > 0 ? 1 : 0;
    }
    case SheetOutput::WebPages: {
        HtmlPage layout;
        layout.width = static_cast<int>(width);
        layout.height = static_cast<int>(height);
        layout.itemsPerPage = sheet.Settings().maxPerPage;
        layout.rows = sheet.Settings().rows;
        layout.cols = sheet.Settings().cols;
        const std::string folder = NativePath(QFileInfo(QString::fromStdString(output)).absolutePath());
        layout.thumbnailFolder = folder + "/";
        layout.suffix = parser.isSet(suffix) ? parser.value(suffix).toStdString() : std::string("_small.jpg");
        TerminalProgress progress;
        const auto written = ExportHtml(sheet, title, output, layout, progress);
        for (const auto& path : written)
            io.out << path << '\n';
        if (written.empty())
            prompter.Show(MsgId::SheetWriteFailed, {output});
        return written.empty() ? 1 : 0;
    }
    }
    return 1;
}

}  // namespace pix
