// ShapeFormFromPicture on the real main skin and on a worst-case 1920 x 1080
// checkerboard (every other pixel a run of its own), against Qt's own mask of
// the same picture in the same run: createMaskFromColor, QBitmap, QRegion and
// setMask on a window like ours. Median and spread of several rounds, the
// ratio, and the region calls made. Prints figures; asserts nothing.
//
// On an X display the masks go to the X server as they do for a user;
// without one, to the offscreen platform.

#include <sys/resource.h>
#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QFile>
#include <QRegion>
#include <algorithm>

#include <cstdio>
#include <vector>

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

// Fresh memory costs a page fault per page on first touch, which on some
// virtual machines is most of the work; counted to tell that from the rest.
long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double millis(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Figures {
    std::vector<double> samples;
    double median() const {
        std::vector<double> v = samples;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double low() const { return *std::min_element(samples.begin(), samples.end()); }
    double high() const { return *std::max_element(samples.begin(), samples.end()); }
};

// A window as the program's are before they are shaped: the picture object's
// bitmap and the native window exist, neither is the shaping's work.
std::unique_ptr<platform::Form> window(const QImage& image) {
    auto form = std::make_unique<platform::Form>();
    form->SetPicture(platform::StdPicture(image));
    form->Picture().Handle();
    form->winId();
    QGuiApplication::sync();
    return form;
}

void run(const char* name, const QImage& image, int rounds) {
    const QRgb key = image.pixel(0, image.height() - 1);
    Figures ours, qt, copy, ourFaults, qtFaults;
    platform::gdi::Counts calls;
    bool same = true;
    for (int round = 0; round < rounds; ++round) {
        auto form = window(image);
        std::int32_t keyColour = 1;
        const platform::gdi::Counts before = platform::gdi::CallCounts();
        long faults = minorFaults();
        QElapsedTimer timer;
        timer.start();
        Transparant::ShapeFormFromPicture(*form, keyColour);
        ours.samples.push_back(millis(timer));
        ourFaults.samples.push_back(double(minorFaults() - faults));
        calls = platform::gdi::CallCounts();
        calls.createRectRgn -= before.createRectRgn;
        calls.combineRgn -= before.combineRgn;
        calls.deleteObject -= before.deleteObject;
        QGuiApplication::sync();

        timer.restart();
        {
            cDIBSection dib;
            dib.CreateFromPicture(form->Picture());
        }
        copy.samples.push_back(millis(timer));

        auto plain = window(image);
        faults = minorFaults();
        timer.restart();
        // MaskInColor: through QBitmap that region is the pixels *not* of the key.
        const QRegion mask(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskInColor)));
        plain->setMask(mask);
        qt.samples.push_back(millis(timer));
        qtFaults.samples.push_back(double(minorFaults() - faults));
        QGuiApplication::sync();
        same = same && (mask ^ form->mask()).isEmpty();
    }
    std::printf(
        "%s, %d x %d, %d rounds (region calls per shaping: CreateRectRgn %lld, "
        "CombineRgn %lld, DeleteObject %lld)\n",
        name, image.width(), image.height(), rounds, static_cast<long long>(calls.createRectRgn),
        static_cast<long long>(calls.combineRgn), static_cast<long long>(calls.deleteObject));
    const auto line = [](const char* what, const Figures& f) {
        std::printf("  %-36s median %9.3f ms   spread %9.3f .. %9.3f ms\n", what, f.median(),
                    f.low(), f.high());
    };
    line("ShapeFormFromPicture", ours);
    line("  its picture copy alone (DIB)", copy);
    line("Qt: createMaskFromColor + setMask", qt);
    std::printf("  page faults (medians): ours %.0f, Qt %.0f\n", ourFaults.median(),
                qtFaults.median());
    std::printf("  ratio ours / Qt (medians)             %9.2f x   same shape: %s\n",
                ours.median() / qt.median(), same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    std::printf("platform %s; DeleteObject counts the picture copy's own bitmap too\n",
                qPrintable(QGuiApplication::platformName()));
    const QString skin = QStringLiteral(KLANKOR_SKIN_DIR "/hoofd.gif");
    if (QFile::exists(skin)) {
        run("main skin (hoofd.gif)", QImage(skin), 15);
    } else {
        std::printf("main skin: %s not found, skipped\n", qPrintable(skin));
    }
    run("checkerboard", checkerboard(1920, 1080, qRgb(236, 252, 252)), 7);
    return 0;
}
