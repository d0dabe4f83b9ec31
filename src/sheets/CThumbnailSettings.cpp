#include "sheets/CThumbnailSettings.h"

#include <mutex>

#include "common/Archive.h"
#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "sheets/ThumbnailKeys.h"

namespace pix {

namespace {

namespace keys = settings;

std::mutex& DefaultFontMutex()
{
    static std::mutex m;
    return m;
}
LogFont& DefaultFontStorage()
{
    static LogFont font = FallbackLogFont();
    return font;
}

uint32_t GetColor(const SettingsStore& store, const keys::ColorKey& k)
{
    return static_cast<uint32_t>(store.GetInt(k.section, k.key, static_cast<int>(k.fallback)));
}
int32_t GetInt(const SettingsStore& store, const keys::IntKey& k) { return store.GetInt(k.section, k.key, k.fallback); }
std::string GetText(const SettingsStore& store, const keys::TextKey& k)
{
    return store.GetString(k.section, k.key, k.fallback);
}
LogFont GetFont(const SettingsStore& store, const keys::FontKey& k, const LogFont& fallback)
{
    if (auto value = store.ReadBinary(k.section, k.key))
        if (auto font = LogFont::FromBytes(*value))
            return *font;
    return fallback;
}

void SetColor(SettingsStore& store, const keys::ColorKey& k, uint32_t v)
{
    store.SetInt(k.section, k.key, static_cast<int>(v));
}
void SetInt(SettingsStore& store, const keys::IntKey& k, int32_t v) { store.SetInt(k.section, k.key, v); }
void SetText(SettingsStore& store, const keys::TextKey& k, const std::string& v) { store.SetString(k.section, k.key, v); }
void SetFont(SettingsStore& store, const keys::FontKey& k, const LogFont& font)
{
    const auto bytes = font.ToBytes();
    store.WriteBinary(k.section, k.key, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool ReadFont(ArchiveReader& in, LogFont& font)
{
    uint8_t bytes[LogFont::kRecordSize];
    if (!in.Raw(bytes, sizeof bytes))
        return false;
    font = *LogFont::FromBytes(bytes);
    return true;
}

void WriteFont(ArchiveWriter& out, const LogFont& font)
{
    const auto bytes = font.ToBytes();
    out.Raw(bytes.data(), bytes.size());
}

}  // namespace

CThumbnailSettings::CThumbnailSettings()
    : bgC(keys::kBgC.fallback),
      bgL(keys::kBgL.fallback),
      bgR(keys::kBgR.fallback),
      bgT(keys::kBgT.fallback),
      bgB(keys::kBgB.fallback),
      bgH(keys::kBgH.fallback),
      bgV(keys::kBgV.fallback),
      bgI(keys::kBgI.fallback),
      bgImgOpacity(keys::kBgImgOpacity.fallback),
      bgImg(keys::kBgImg.fallback),
      bgImgPlc(keys::kBgImgPlc.fallback),
      pagMargL(keys::kPagMargL.fallback),
      pagMargT(keys::kPagMargT.fallback),
      tmbMargL(keys::kTmbMargL.fallback),
      tmbMargT(keys::kTmbMargT.fallback),
      fx(keys::kFX.fallback),
      fxArea(keys::kFXArea.fallback),
      tmbSiz(keys::kTmbSiz.fallback),
      maxPerPage(keys::kMaxPerPage.fallback),
      rows(keys::kRows.fallback),
      cols(keys::kCols.fallback),
      label(keys::kLabel.fallback),
      title(keys::kTitle.fallback),
      footer(keys::kFooter.fallback),
      tsFont(DefaultFont()),
      titleFont(tsFont),
      footerFont(tsFont),
      tsCol(keys::kTSCol.fallback),
      titleCol(keys::kTitleCol.fallback),
      footerCol(keys::kFooterCol.fallback)
{
}

void CThumbnailSettings::SetDefaultFont(const LogFont& font)
{
    std::lock_guard lock(DefaultFontMutex());
    DefaultFontStorage() = font;
}

LogFont CThumbnailSettings::DefaultFont()
{
    std::lock_guard lock(DefaultFontMutex());
    return DefaultFontStorage();
}

void CThumbnailSettings::LoadFromRegistry(const SettingsStore& store, const LogFont& defaultFont)
{
    bgC = GetColor(store, keys::kBgC);
    bgL = GetColor(store, keys::kBgL);
    bgR = GetColor(store, keys::kBgR);
    bgT = GetColor(store, keys::kBgT);
    bgB = GetColor(store, keys::kBgB);
    bgH = GetInt(store, keys::kBgH);
    bgV = GetInt(store, keys::kBgV);
    bgI = GetInt(store, keys::kBgI);
    bgImgOpacity = GetInt(store, keys::kBgImgOpacity);
    bgImg = GetText(store, keys::kBgImg);
    bgImgPlc = GetInt(store, keys::kBgImgPlc);
    pagMargL = GetInt(store, keys::kPagMargL);
    pagMargT = GetInt(store, keys::kPagMargT);
    tmbMargL = GetInt(store, keys::kTmbMargL);
    tmbMargT = GetInt(store, keys::kTmbMargT);
    fx = GetText(store, keys::kFX);
    fxArea = GetInt(store, keys::kFXArea);
    tmbSiz = GetInt(store, keys::kTmbSiz);
    maxPerPage = GetInt(store, keys::kMaxPerPage);
    rows = GetInt(store, keys::kRows);
    cols = GetInt(store, keys::kCols);
    label = GetText(store, keys::kLabel);
    title = GetText(store, keys::kTitle);
    footer = GetText(store, keys::kFooter);
    tsFont = GetFont(store, keys::kTSFont, defaultFont);
    titleFont = GetFont(store, keys::kTitleFont, defaultFont);
    footerFont = GetFont(store, keys::kFooterFont, defaultFont);
    tsCol = GetColor(store, keys::kTSCol);
    titleCol = GetColor(store, keys::kTitleCol);
    footerCol = GetColor(store, keys::kFooterCol);
    if (bgImg.empty())
        bgI = 0;
}

void CThumbnailSettings::SaveToRegistry(SettingsStore& store) const
{
    SetColor(store, keys::kBgC, bgC);
    SetColor(store, keys::kBgL, bgL);
    SetColor(store, keys::kBgR, bgR);
    SetColor(store, keys::kBgT, bgT);
    SetColor(store, keys::kBgB, bgB);
    SetInt(store, keys::kBgH, bgH);
    SetInt(store, keys::kBgV, bgV);
    SetInt(store, keys::kBgI, bgI);
    SetText(store, keys::kBgImg, bgImg);
    SetInt(store, keys::kBgImgPlc, bgImgPlc);
    SetInt(store, keys::kBgImgOpacity, bgImgOpacity);
    SetInt(store, keys::kPagMargL, pagMargL);
    SetInt(store, keys::kPagMargT, pagMargT);
    SetInt(store, keys::kTmbMargL, tmbMargL);
    SetInt(store, keys::kTmbMargT, tmbMargT);
    SetText(store, keys::kFX, fx);
    SetInt(store, keys::kFXArea, fxArea);
    SetInt(store, keys::kTmbSiz, tmbSiz);
    SetInt(store, keys::kMaxPerPage, maxPerPage);
    SetInt(store, keys::kRows, rows);
    SetInt(store, keys::kCols, cols);
    SetFont(store, keys::kTSFont, tsFont);
    SetFont(store, keys::kTitleFont, titleFont);
    SetFont(store, keys::kFooterFont, footerFont);
    SetText(store, keys::kTitle, title);
    SetText(store, keys::kFooter, footer);
    SetText(store, keys::kLabel, label);
    SetColor(store, keys::kTSCol, tsCol);
    SetColor(store, keys::kTitleCol, titleCol);
    SetColor(store, keys::kFooterCol, footerCol);
}

void CThumbnailSettings::Serialize(ArchiveWriter& out) const
{
    out.I32(kRecordVersion);
    out.U32(bgB);
    out.U32(bgC);
    out.I32(bgH);
    out.I32(bgI);
    out.String(bgImg);
    out.I32(bgImgOpacity);
    out.I32(bgImgPlc);
    out.U32(bgL);
    out.U32(bgR);
    out.U32(bgT);
    out.I32(bgV);
    out.String(footer);
    out.U32(footerCol);
    out.String(fx);
    out.I32(fxArea);
    out.I32(pagMargL);
    out.I32(pagMargT);
    out.String(title);
    out.U32(titleCol);
    out.I32(tmbMargL);
    out.I32(tmbMargT);
    out.U32(tsCol);
    out.I32(tmbSiz);
    out.I32(maxPerPage);
    out.String(label);
    out.I32(rows);
    out.I32(cols);
    WriteFont(out, titleFont);
    WriteFont(out, footerFont);
    WriteFont(out, tsFont);
}

bool CThumbnailSettings::Serialize(ArchiveReader& in)
{
    CThumbnailSettings r = *this;
    // What a record older than the current version lacks.
    r.tmbSiz = 128;
    r.maxPerPage = 0;
    r.label = "[FileName]";
    r.rows = 0;
    r.cols = 0;

    // A record with a version starts with it (negative); an older one
    // starts with bgB, a colour and so never negative.
    int32_t version = 0;
    const int32_t first = in.I32();
    if (first < 0) {
        version = first;
        r.bgB = in.U32();
    } else {
        r.bgB = static_cast<uint32_t>(first);
    }
    r.bgC = in.U32();
    r.bgH = in.I32();
    r.bgI = in.I32();
    in.String(r.bgImg);
    r.bgImgOpacity = in.I32();
    r.bgImgPlc = in.I32();
    r.bgL = in.U32();
    r.bgR = in.U32();
    r.bgT = in.U32();
    r.bgV = in.I32();
    in.String(r.footer);
    r.footerCol = in.U32();
    in.String(r.fx);
    r.fxArea = in.I32();
    r.pagMargL = in.I32();
    r.pagMargT = in.I32();
    in.String(r.title);
    r.titleCol = in.U32();
    r.tmbMargL = in.I32();
    r.tmbMargT = in.I32();
    r.tsCol = in.U32();
    if (version <= -1)
        r.tmbSiz = in.I32();
    if (version <= -2)
        r.maxPerPage = in.I32();
    if (version <= -3)
        in.String(r.label);
    if (version <= -4) {
        r.rows = in.I32();
        r.cols = in.I32();
    }
    ReadFont(in, r.titleFont);
    ReadFont(in, r.footerFont);
    ReadFont(in, r.tsFont);
    if (in.Failed())
        return false;
    *this = std::move(r);
    return true;
}

bool CThumbnailSettings::SaveFormatFile(const std::string& path, Prompter& prompter) const
{
    ArchiveWriter out;
    Serialize(out);
    AtomicFile file;
    if (!file.Open(path) || !file.Write(out.Bytes().data(), out.Bytes().size()) || !file.Commit()) {
        prompter.Show(MsgId::FormatCouldNotWrite, {path});
        return false;
    }
    return true;
}

bool CThumbnailSettings::LoadFormatFile(const std::string& path, Prompter& prompter)
{
    const auto bytes = ReadFileBytes(path);
    if (!bytes) {
        prompter.Show(MsgId::FormatCouldNotRead, {path});
        return false;
    }
    ArchiveReader in(*bytes);
    if (!Serialize(in)) {
        prompter.Show(MsgId::FormatDamaged, {path});
        return false;
    }
    return true;
}

}  // namespace pix
