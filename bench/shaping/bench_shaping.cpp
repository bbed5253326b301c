// ShapeFormFromPicture on the real main skin and on a worst-case 1920 x 1080
// checkerboard (every other pixel a run of its own): region calls made and
// time taken, against Qt's own mask-to-region of the same picture in the
// same run. Prints figures; asserts nothing.

#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QFile>
#include <QRegion>
#include <cstdio>

#include "platform/gdi/Gdi.h"
#include "shaping/Transparant.h"
#include "shaping/cDIBSection.h"

namespace {

QImage checkerboard(int width, int height, QRgb key) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        // Key where x + height - 1 - y is even, so the bottom-left pixel is key.
        for (int x = 0; x < width; ++x)
            line[x] = (x + height - 1 - y) % 2 == 0 ? key : qRgb(20, 30, 40);
    }
    return image;
}

double millis(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

void run(const char* name, const QImage& image) {
    constexpr int kRounds = 3;
    const QRgb key = image.pixel(0, image.height() - 1);
    double shapeBest = 1e300, qtBest = 1e300, copyBest = 1e300;
    platform::gdi::Counts calls;
    bool same = false;
    for (int round = 0; round < kRounds; ++round) {
        platform::Form form;
        form.SetPicture(platform::StdPicture(image));
        // The picture object's bitmap and the native window exist before any
        // window shapes; neither is the routine's work.
        form.Picture().Handle();
        form.winId();
        std::int32_t keyColour = 1;
        const platform::gdi::Counts before = platform::gdi::CallCounts();
        QElapsedTimer timer;
        timer.start();
        Transparant::ShapeFormFromPicture(form, keyColour);
        shapeBest = std::min(shapeBest, millis(timer));
        calls = platform::gdi::CallCounts();
        calls.createRectRgn -= before.createRectRgn;
        calls.combineRgn -= before.combineRgn;
        calls.deleteObject -= before.deleteObject;

        timer.restart();
        {
            cDIBSection copy;
            copy.CreateFromPicture(form.Picture());
        }
        copyBest = std::min(copyBest, millis(timer));

        timer.restart();
        // MaskInColor: through QBitmap that region is the pixels *not* of the key.
        const QRegion qt(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskInColor)));
        qtBest = std::min(qtBest, millis(timer));
        same = (qt ^ form.mask()).isEmpty();
    }
    std::printf("%-28s %5d x %-5d CreateRectRgn %8lld  CombineRgn %8lld  DeleteObject %8lld\n",
                name, image.width(), image.height(), static_cast<long long>(calls.createRectRgn),
                static_cast<long long>(calls.combineRgn),
                static_cast<long long>(calls.deleteObject));
    std::printf("%-28s ShapeFormFromPicture %9.2f ms (of which the picture copy %.2f ms)\n", "",
                shapeBest, copyBest);
    std::printf("%-28s Qt mask region       %9.2f ms   ratio %6.2f   same shape: %s\n", "", qtBest,
                shapeBest / qtBest, same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    std::printf("best of 3 rounds each; DeleteObject includes the picture copy's own bitmap\n");
    const QString skin = QStringLiteral(KLANKOR_SKIN_DIR "/hoofd.gif");
    if (QFile::exists(skin)) {
        run("main skin (hoofd.gif)", QImage(skin));
    } else {
        std::printf("main skin: %s not found, skipped\n", qPrintable(skin));
    }
    run("checkerboard", checkerboard(1920, 1080, qRgb(236, 252, 252)));
    return 0;
}
