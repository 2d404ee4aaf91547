// The hex view painted offscreen over a full 12 KB image with marks in both
// colours: a full repaint and a page of scrolling, at the main window's
// default size and at 1920x1200. Goal: a full repaint within 2 ms at 1920x1200.
#include <CVorlaneDoc.h>
#include <CVorlaneView.h>

#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Median microseconds of `runs` calls, after a few to warm the caches.
template <typename F>
double MedianUs(int runs, F&& work)
{
    for (int i = 0; i < 5; ++i)
        work();
    std::vector<double> us;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::nth_element(us.begin(), us.begin() + runs / 2, us.end());
    return us[runs / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    CVorlaneDoc document;
    document.OnNewDocument();
    DeviceImage& image = document.image();
    for (int a = 0; a < 0x3000; ++a) {
        image.buffer[a] = static_cast<uint8_t>(a * 31 + (a >> 8));
        image.marks[a] = a % 5 == 0 ? MarkChanged : a % 7 == 0 ? MarkMismatch : MarkNone;
    }
    constexpr double kGoalUs = 2000;

    struct Size {
        const char* name;
        int width, height;
    };
    std::printf("hex view, 12 KB with marks in both colours (goal: full repaint <= %.0f us at 1920x1200)\n", kGoalUs);
    for (const Size& size : {Size{"default 720x560", 720, 560}, Size{"1920x1200", 1920, 1200}}) {
        CVorlaneView view(&document);
        view.resize(size.width, size.height);
        view.OnInitialUpdate();
        view.show();
        QApplication::processEvents();
        QWidget* viewport = view.viewport();

        const double full = MedianUs(200, [&] { viewport->repaint(); });
        const double page = MedianUs(200, [&] {
            if (view.verticalScrollBar()->value() + view.visibleRows() >= view.totalRows())
                view.OnVScroll(CVorlaneView::Top);
            view.OnVScroll(CVorlaneView::PageDown);
            viewport->repaint();
        });
        const bool goal = size.width == 1920;
        std::printf("  %-16s %3d rows  full repaint %7.0f us  page down + repaint %7.0f us  %s\n", size.name,
                    view.visibleRows(), full, page, !goal ? "" : full <= kGoalUs ? "ok" : "OVER");
    }
    return 0;
}
