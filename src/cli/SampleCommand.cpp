#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <set>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "render/ImageConversion.h"

namespace pix {

int CmdSamples(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Folder to write into (made when missing)."));
    int status = 0;
    if (!ParseCommand(parser, args, "Writes one sample picture per writable format.", io, status))
        return status;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1) {
        io.err << "pixadrome-cli: samples needs DIR\n";
        return 2;
    }
    QDir dir(pos[0]);
    if (!dir.mkpath(QStringLiteral("."))) {
        io.err << "pixadrome-cli: cannot make folder " << NativePath(pos[0]) << '\n';
        return 1;
    }

    // A picture with smooth gradients, hard edges and text.
    QImage image(480, 320, QImage::Format_RGB32);
    {
        QPainter p(&image);
        QLinearGradient sky(0, 0, 0, 320);
        sky.setColorAt(0, QColor(30, 60, 140));
        sky.setColorAt(1, QColor(250, 190, 120));
        p.fillRect(image.rect(), sky);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(255, 230, 90));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(360, 110), 50, 50);
        p.setBrush(QColor(40, 90, 50));
        p.drawPolygon(QPolygon({QPoint(0, 320), QPoint(140, 170), QPoint(260, 260), QPoint(380, 200),
                                QPoint(480, 320)}));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(28);
        p.setFont(font);
        p.drawText(QRect(0, 10, 480, 40), Qt::AlignHCenter, QStringLiteral("Pixadrome"));
    }
    CImageBuffer picture;
    FromQImage(image, picture);

    // One file per format that has a writer, named by its first extension.
    for (const FormatRow& format : Formats()) {
        if (!format.write)
            continue;
        const std::string_view ext = format.extensions.substr(0, format.extensions.find(';'));
        std::string path = NativePath(dir.filePath(QString::fromStdString("sample." + std::string(ext))));
        if (!SaveChecked(picture, path, io))
            status = 1;
    }
    // A palette picture as well: eight bands of colour.
    CImageBuffer bands;
    if (bands.Create(256, 64)) {
        std::vector<uint8_t> plane(256 * 64);
        for (int i = 0; i < 8; ++i) {
            bands.Red()[i] = static_cast<uint8_t>((i & 1) * 255);
            bands.Green()[i] = static_cast<uint8_t>(((i >> 1) & 1) * 255);
            bands.Blue()[i] = static_cast<uint8_t>(((i >> 2) & 1) * 255);
        }
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 256; ++x) {
                uint8_t i = static_cast<uint8_t>(x / 32);
                plane[y * 256 + x] = i;
                bands.SetPixel(x, 63 - y, bands.Red()[i], bands.Green()[i], bands.Blue()[i]);
            }
        bands.SetIndexPlane(std::move(plane), 8);
        if (!SaveChecked(bands, NativePath(dir.filePath(QStringLiteral("sample-palette.bmp"))), io))
            status = 1;
    }
    return status;
}

}  // namespace pix
