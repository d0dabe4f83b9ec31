#include "sheets/HtmlExport.h"

#include <algorithm>
#include <cstdio>

#include "common/AtomicFile.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "sheets/Fields.h"
#include "sheets/HtmlEscape.h"
#include "sheets/PageLayout.h"
#include "sheets/PagePixels.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

struct PathParts {
    std::string drive;   // "C:" or empty
    std::string folder;  // up to and including the last separator
    std::string name;    // name and extension
};

PathParts Split(const std::string& path)
{
    PathParts p;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        p.drive = rest.substr(0, 2);
        rest = rest.substr(2);
    }
    const size_t last = rest.find_last_of("/\\");
    if (last == std::string::npos) {
        p.name = rest;
    } else {
        p.folder = rest.substr(0, last + 1);
        p.name = rest.substr(last + 1);
    }
    return p;
}

// The folder names of a folder, in order.
std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::string current;
    for (char c : folder) {
        if (IsSeparator(c)) {
            if (!current.empty())
                names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        names.push_back(current);
    return names;
}

std::string Hex2(uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%.2X%.2X%.2X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

// The web page's grid: columns and cell size on a (W + 1) × (H + 1) area.
struct HtmlGrid {
    int columns = 1;
    int cellWidth = 1;
    int cellHeight = 1;
};

HtmlGrid LayoutHtmlGrid(int w, int h, int k, int rows, int cols)
{
    HtmlGrid g;
    const int64_t aw = int64_t{w} + 1;
    const int64_t ah = int64_t{h} + 1;
    if (rows > 0 && cols > 0) {
        g.columns = cols;
        g.cellWidth = static_cast<int>(aw / cols);
        g.cellHeight = static_cast<int>(ah / rows);
    } else if (rows > 0) {
        g.columns = static_cast<int>((int64_t{k} + rows - 1) / rows);
        g.cellWidth = g.cellHeight = static_cast<int>(ah / rows);
    } else if (cols > 0) {
        g.columns = cols;
        g.cellWidth = g.cellHeight = static_cast<int>(ah / cols);
    } else {
        const int64_t area = aw * ah / std::max(k, 1);
        int64_t side = IntegerSqrt(area);
        for (; side > 0; --side) {
            const int64_t nc = aw / side;
            if (k <= (ah / side) * nc) {
                g.columns = static_cast<int>(nc);
                break;
            }
        }
        g.cellWidth = g.cellHeight = static_cast<int>(side);
    }
    // A page too small for any cell still lists its items, one per row.
    g.columns = std::max(g.columns, 1);
    g.cellWidth = std::max(g.cellWidth, 1);
    g.cellHeight = std::max(g.cellHeight, 1);
    return g;
}

struct ThumbnailPicture {
    bool made = false;
    int width = 0;
    int height = 0;
};

// The picture of one item with its effect, written to picturePath.
ThumbnailPicture MakeHtmlThumbnail(const std::string& file, const std::string& picturePath, int cw, int ch, int s,
                                   const CThumbnailSettings& format)
{
    const EffectBox effect = EffectRectangle({0, 0, cw - 1, ch - 1}, s, format);
    const int d = effect.depth;
    CImageBuffer source;
    source.Load(file, static_cast<uint32_t>(std::max(1, effect.rect.Width() + 1)),
                static_cast<uint32_t>(std::max(1, effect.rect.Height() + 1)));
    if (source.IsEmpty() || source.Width() == 0 || source.Height() == 0)
        return {};
    const FittedSize fit = FitWithoutEnlarging(static_cast<int>(source.Width()), static_cast<int>(source.Height()),
                                               effect.rect.Width() + 1, effect.rect.Height() + 1);
    const EffectKind kind = d > 0 ? EffectOf(format.fx) : EffectKind::None;
    const int inset = kind == EffectKind::Frame ? d : 0;
    const int outset = (kind == EffectKind::Frame || kind == EffectKind::Shadow) ? d : 0;
    CImageBuffer picture;
    if (!picture.Create(static_cast<uint32_t>(inset + fit.width + outset),
                        static_cast<uint32_t>(inset + fit.height + outset)))
        return {};
    const PageSurface surface = SurfaceOf(picture);
    const uint8_t bg[3] = {static_cast<uint8_t>(format.bgC >> 16), static_cast<uint8_t>(format.bgC >> 8),
                           static_cast<uint8_t>(format.bgC)};
    for (int y = 0; y < fit.height + outset; ++y)
        for (int x = 0; x < fit.width + outset; ++x)
            std::copy_n(bg, 3, surface.Pixel(x, y));
    DrawThumbnail(surface, source, {inset, inset, inset + fit.width - 1, inset + fit.height - 1}, d, format.fx);
    // A picture that cannot be written leaves its link pointing nowhere.
    (void)picture.Save(picturePath);
    return {true, fit.width + outset, fit.height + outset};
}

}  // namespace

std::string MakeRelativeUrl(const std::string& pageFolder, const std::string& target)
{
    const PathParts page = Split(pageFolder + (pageFolder.empty() || IsSeparator(pageFolder.back()) ? "" : "/"));
    const PathParts to = Split(target);
    std::string result;
    if (page.drive != to.drive) {
        if (!to.drive.empty())
            result = "file:///" + to.drive.substr(0, 1) + "|" + to.folder;
        else
            result = to.folder;
    } else {
        const auto from = FolderNames(page.folder);
        const auto dest = FolderNames(to.folder);
        size_t common = 0;
        while (common < from.size() && common < dest.size() && from[common] == dest[common])
            ++common;
        for (size_t i = common; i < from.size(); ++i)
            result += "../";
        for (size_t i = common; i < dest.size(); ++i)
            result += dest[i] + "/";
    }
    std::replace(result.begin(), result.end(), '\\', '/');
    return result + to.name;
}

std::string NumberedPagePath(const std::string& path, int page)
{
    const PathParts parts = Split(path);
    const size_t dot = parts.name.find_last_of('.');
    const std::string title = dot == std::string::npos ? parts.name : parts.name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : parts.name.substr(dot + 1);
    return parts.drive + parts.folder + title + std::to_string(page) + "." + extension;
}

std::string HtmlPageMarkup(const ThumbnailSheet& sheet, const std::string& documentTitle, const HtmlPage& layout,
                           Progress& progress)
{
    const CThumbnailSettings& format = sheet.Settings();
    const int n = static_cast<int>(sheet.Count());
    const int m = ClampItemsPerPage(layout.itemsPerPage, layout.rows, layout.cols);
    const int k = m != 0 ? m : n;
    const int first = (layout.page - 1) * m;
    const PathParts pageParts = Split(layout.pagePath);
    const std::string pageFolder = pageParts.drive + pageParts.folder;
    const PageFieldValues fields{layout.page, m, n, documentTitle};

    std::string out = "<HTML>\n<HEAD>\n";
    out += format.title.empty() ? "<TITLE>Thumbnails</TITLE>\n"
                                : "<TITLE>" + HtmlEscaped(TitleOf(documentTitle)) + "</TITLE>\n";
    out += "<META NAME=\"GENERATOR\" CONTENT=\"Pixadrome\">\n</HEAD>\n";
    out += "<BODY BGCOLOR=\"" + Hex2(format.bgC) + "\"";
    if (format.bgI && !format.bgImg.empty())
        out += " BACKGROUND=\"" + HtmlLink(MakeRelativeUrl(pageFolder, format.bgImg)) + "\"";
    out += ">\n";
    if (!format.title.empty())
        out += "<CENTER><H1><FONT COLOR=\"" + Hex2(format.titleCol) + "\">\n" +
               HtmlLineBreaks(HtmlEscaped(ExpandPageFields(format.title, fields))) + "\n</FONT></H1></CENTER>\n";

    const HtmlGrid grid = LayoutHtmlGrid(layout.width, layout.height, k, layout.rows, layout.cols);
    int pm = std::max(format.tmbMargL, format.tmbMargT);
    int s = std::min(grid.cellWidth, grid.cellHeight);
    const int p2 = 2 * static_cast<int>(int64_t{s} * pm / 100);
    if (s > p2)
        s -= p2;
    else
        pm = 0;
    out += "<TABLE ALIGN=CENTER CELLSPACING=\"0\" CELLPADDING=\"" + std::to_string(pm) + "%\">\n";

    progress.SetRange(0, n);
    const int last = std::min<int64_t>(int64_t{first} + k, n);
    for (int i = std::max(first, 0); i < last; ++i) {
        const int j = i - first;
        if (j % grid.columns == 0)
            out += "<TR>\n";
        const std::string& file = sheet.Files()[sheet.ItemAt(static_cast<size_t>(i))];
        const std::string name = ThumbnailSheet::FileNameOf(file);
        std::string label = HtmlLineBreaks(HtmlEscaped(ExpandLabelFields(sheet, static_cast<size_t>(i))));
        const std::string base = HtmlEscaped(TitleOf(name));
        progress.Step("Processing " + name, i);  // the export goes on either way
        const std::string picturePath = layout.thumbnailFolder + name + layout.suffix;
        const ThumbnailPicture picture =
            MakeHtmlThumbnail(file, picturePath, grid.cellWidth, grid.cellHeight, s, format);
        const std::string link = HtmlLink(MakeRelativeUrl(pageFolder, file));
        out += "<TD VALIGN=CENTER HALIGN=CENTER>\n";
        if (picture.made) {
            out += "<CENTER><A href=\"" + link + "\"><IMG SRC=\"" + HtmlLink(MakeRelativeUrl(pageFolder, picturePath)) +
                   "\" WIDTH=\"" + std::to_string(picture.width) + "\" HEIGHT=\"" + std::to_string(picture.height) +
                   "\" BORDER=\"0\" ALT=\"" + base + "\"></A><BR>\n";
            out += label + "</CENTER>\n";
        } else {
            if (label.empty())
                label = link;
            out += "<CENTER><A href=\"" + link + "\">" + label + "</A><BR>\n";
        }
        out += "</TD>\n";
        if (j % grid.columns == grid.columns - 1 || i == last - 1)
            out += "</TR>\n";
    }
    out += "</TABLE>\n";
    if (!format.footer.empty())
        out += "<CENTER><H2><FONT COLOR=\"" + Hex2(format.footerCol) + "\">\n" +
               HtmlLineBreaks(HtmlEscaped(ExpandPageFields(format.footer, fields))) + "\n</FONT></H2></CENTER>\n";
    out += "</BODY>\n</HTML>";

    // The page is a text file with CR LF line ends.
    std::string crlf;
    crlf.reserve(out.size() + out.size() / 16);
    for (char c : out) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

bool ExportHtmlPage(const ThumbnailSheet& sheet, const std::string& documentTitle, const HtmlPage& page,
                    Progress& progress)
{
    const std::string markup = HtmlPageMarkup(sheet, documentTitle, page, progress);
    return WriteFileAtomically(page.pagePath, markup.data(), markup.size());
}

std::vector<std::string> ExportHtml(const ThumbnailSheet& sheet, const std::string& documentTitle,
                                    const std::string& path, HtmlPage layout, Progress& progress)
{
    const int n = static_cast<int>(sheet.Count());
    const int m = ClampItemsPerPage(layout.itemsPerPage, layout.rows, layout.cols);
    std::vector<std::string> written;
    if (m != 0 && n > m) {
        for (int p = 1; p <= PageCount(n, m); ++p) {
            layout.pagePath = NumberedPagePath(path, p);
            layout.page = p;
            if (ExportHtmlPage(sheet, documentTitle, layout, progress))
                written.push_back(layout.pagePath);
        }
        return written;
    }
    layout.pagePath = path;
    layout.page = 1;
    layout.itemsPerPage = 0;
    if (ExportHtmlPage(sheet, documentTitle, layout, progress))
        written.push_back(path);
    return written;
}

}  // namespace pix
