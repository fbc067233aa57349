// Measures the picture of the end-to-end runs fast enough to follow a held
// key, where converting and scanning each shot with ImageMagick would take
// longer than the change it waits for.
//   e2e_probe flowers|coloured|white|magenta X Y W H [N] < shot.xwd
//       a class of colours in a rectangle of a screenshot in X window dump
//       format (what xwd writes): "count cx cy", the centroid -1 -1 when
//       there is none; with N, only the least count of the rectangle's N x N
//       equal parts (a part left undrawn has none of a background's colour)
//   e2e_probe hold WINDOW TOP KEY dx|dy|r LIMIT [keep]
//       presses KEY through the X test extension and watches the flowers in
//       the 512 x 384 client area under TOP rows of WINDOW until the picture
//       has shifted by LIMIT pixels (dx, dy: at most a negative LIMIT, at
//       least a positive one) or their count changed by the ratio LIMIT (r:
//       at least a LIMIT over 1, at most one under 1), with flowers in view.
//       Then, unless "keep" is given, lets the key go and waits for the
//       picture to stand still. Prints "dx dy r" of the still picture (with
//       "keep", of the one that met the limit) against the one before the
//       press; exits 1 when the limit was not met within 60 s (the key let go
//       all the same) or the picture did not stand still within 60 s.
//   e2e_probe shift A.xwd B.xwd TOP
//       how the flowers moved from the 512 x 384 client area under TOP rows
//       of screenshot A to that of B: "dx dy r"
//   e2e_probe still WINDOW TOP SECONDS
//       waits (at most 60 s) for the flowers to stand still in view, then
//       watches them for SECONDS more; prints "count cx cy" and exits 1 if
//       they never stood still or moved while watched.
//   e2e_probe nearest TOP SHOT FILM...
//       which of the FILM screenshots looks most like SHOT (client areas
//       under TOP rows): prints its file name
//   e2e_probe host
//       a 640 x 480 window of its own, as a screensaver daemon gives its
//       display module: prints its id, then takes one command a line on
//       stdin and answers each with "done" once the server has it: "size W
//       H", "unmap", "map", "cover" (another window over it), "uncover",
//       "destroy" (then ends). End of input destroys it too.
//   e2e_probe reap COMMAND [ARG...]
//       runs COMMAND and becomes the parent of every process of its tree
//       whose own parent ends first (a screen-saver daemon's helper that
//       exits before its display module does): prints "PID STATUS" for each
//       of those when it ends (STATUS 128 + N for signal N), and ends with
//       COMMAND's status once all have ended.
// A shift is found by matching the columns' (rows') counts of flower pixels
// of two pictures: a turn or a tilt moves everything by the same amount
// whatever its distance, while things leaving or entering at an edge would
// pull a centroid.
// Classes: "flowers" are pink petals and the green of leaves and stems, the
// parts of the scene that stand still unless the camera moves (the bird is
// blue, ribbons are thin lines, sparks and bubbles small and pale);
// "coloured" is neither near grey nor near white; "white" is near white;
// "magenta" is the background of the host command's window.
//   e2e_probe overlay A.xwd B.xwd X Y W H
//       pixels of the rectangle that are not dark and the same in two
//       screenshots taken a moment apart: with the camera riding the bird
//       the whole scene moves, so what stands still is drawn over it
//       (buttons, statistics, a frame or its white margin)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, rows top-down
};

struct Measure {
    long long count = 0;
    double x = -1.0;
    double y = -1.0;
};

std::uint32_t Big32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

int Shift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

std::uint32_t ToRgb(unsigned long value, const unsigned long (&masks)[3], const int (&shifts)[3]) {
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        rgb = (rgb << 8) | std::uint32_t(((value & masks[c]) >> shifts[c]) & 0xFFu);
    }
    return rgb;
}

// Only what xwd writes for a true-colour screen: Z format, 24 or 32 bits a pixel.
bool ReadXwd(const std::string& data, Image* image, std::string* error) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (data.size() < 100) {
        *error = "short header";
        return false;
    }
    const std::uint32_t headerSize = Big32(bytes);
    const std::uint32_t version = Big32(bytes + 4);
    const std::uint32_t format = Big32(bytes + 8);
    const std::uint32_t width = Big32(bytes + 16);
    const std::uint32_t height = Big32(bytes + 20);
    const std::uint32_t byteOrder = Big32(bytes + 28);
    const std::uint32_t bitsPerPixel = Big32(bytes + 44);
    const std::uint32_t bytesPerLine = Big32(bytes + 48);
    const unsigned long masks[3] = {Big32(bytes + 56), Big32(bytes + 60), Big32(bytes + 64)};
    const std::uint32_t colours = Big32(bytes + 76);
    if (version != 7 || format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0 ||
        width > 16384 || height > 16384) {
        *error = "not a 24- or 32-bit Z-format dump";
        return false;
    }
    const std::size_t pixelBytes = bitsPerPixel / 8;
    const std::size_t start = std::size_t(headerSize) + std::size_t(colours) * 12;
    if (bytesPerLine < width * pixelBytes || data.size() < start + std::size_t(bytesPerLine) * height) {
        *error = "truncated pixels";
        return false;
    }
    image->width = int(width);
    image->height = int(height);
    image->rgb.resize(std::size_t(width) * height);
    const int shifts[3] = {Shift(masks[0]), Shift(masks[1]), Shift(masks[2])};
    for (std::uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = bytes + start + std::size_t(y) * bytesPerLine;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + x * pixelBytes;
            unsigned long value = 0;
            for (std::size_t i = 0; i < pixelBytes; ++i) {
                const std::size_t at = byteOrder == 0 ? pixelBytes - 1 - i : i;  // 0: least significant first
                value = (value << 8) | p[at];
            }
            image->rgb[std::size_t(y) * width + x] = ToRgb(value, masks, shifts);
        }
    }
    return true;
}

bool Flower(int r, int g, int b) {
    const bool petal = r > 150 && b > 110 && g < r - 40;
    const bool leaf = g > 60 && g > r + 20 && g > b + 20;
    return petal || leaf;
}

bool Coloured(int r, int g, int b) {
    int hi = r > g ? r : g;
    hi = hi > b ? hi : b;
    int lo = r < g ? r : g;
    lo = lo < b ? lo : b;
    return hi - lo > 40;
}

bool White(int r, int g, int b) {
    return r > 235 && g > 235 && b > 235;
}

// The host window's own background: what the program has not drawn on.
bool Magenta(int r, int g, int b) {
    return r > 245 && g < 10 && b > 245;
}

using Test = bool (*)(int, int, int);

Measure Classify(const Image& image, int x0, int y0, int w, int h, Test test) {
    Measure m;
    double sumX = 0.0;
    double sumY = 0.0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            const std::uint32_t c = image.rgb[std::size_t(y) * std::size_t(image.width) + std::size_t(x)];
            if (test(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF))) {
                ++m.count;
                sumX += x - x0;
                sumY += y - y0;
            }
        }
    }
    if (m.count > 0) {
        m.x = sumX / double(m.count);
        m.y = sumY / double(m.count);
    }
    return m;
}

struct Profile {
    Measure m;
    std::vector<double> columns = std::vector<double>(512, 0.0);
    std::vector<double> rows = std::vector<double>(384, 0.0);
};

Profile Profiles(const Image& image) {
    Profile p;
    p.m = Classify(image, 0, 0, 512, 384, Flower);
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            const std::uint32_t c = image.rgb[std::size_t(y) * 512 + std::size_t(x)];
            if (Flower(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF))) {
                p.columns[std::size_t(x)] += 1.0;
                p.rows[std::size_t(y)] += 1.0;
            }
        }
    }
    return p;
}

// The shift s that best lays profile a over b (a[i] on b[i + s]): the least
// mean squared difference over the overlap, which is kept to at least half
// the profile. (A plain correlation of such wide profiles peaks near no
// shift at all, whatever the move.)
int BestShift(const std::vector<double>& a, const std::vector<double>& b) {
    const int n = int(a.size());
    int best = 0;
    double bestCost = -1.0;
    for (int s = -n / 2; s <= n / 2; ++s) {
        double cost = 0.0;
        int overlap = 0;
        for (int i = 0; i < n; ++i) {
            const int j = i + s;
            if (j >= 0 && j < n) {
                const double d = a[std::size_t(i)] - b[std::size_t(j)];
                cost += d * d;
                ++overlap;
            }
        }
        cost /= double(overlap);
        const bool nearer = cost == bestCost && std::abs(s) < std::abs(best);
        if (bestCost < 0.0 || cost < bestCost || nearer) {
            bestCost = cost;
            best = s;
        }
    }
    return best;
}

struct Motion {
    int dx = 0;
    int dy = 0;
    double r = 0.0;
};

constexpr long long kInView = 500;

// The program moves by frame steps of at most 0.03 s, so on a loaded machine
// drawing two frames a second a move of half a second takes eight of the
// wall clock's. The waits are for what they check, bounded only to end a
// hung run.
constexpr auto kWaitLimit = std::chrono::seconds(60);

Motion Between(const Profile& from, const Profile& to) {
    Motion m;
    m.dx = BestShift(from.columns, to.columns);
    m.dy = BestShift(from.rows, to.rows);
    m.r = from.m.count > 0 ? double(to.m.count) / double(from.m.count) : 0.0;
    return m;
}

// Ribbons, sparks and the bird passing over a standing view cover or add up
// to about 2.5 % of the flower pixels for a moment, so two pictures of a
// still view differ by up to 5 % in count; a held move key changes it by
// some 50 % a second, and a turn or a tilt shows in the shift.
bool Unmoved(const Profile& a, const Profile& b) {
    if (a.m.count < kInView || b.m.count < kInView) {
        return false;
    }
    const Motion m = Between(a, b);
    return std::abs(m.dx) <= 1 && std::abs(m.dy) <= 1 && m.r > 0.94 && m.r < 1.06;
}

void Print(const Measure& m) {
    if (m.count == 0) {
        std::printf("0 -1 -1");
    } else {
        std::printf("%lld %.1f %.1f", m.count, m.x, m.y);
    }
}

// The client area of a window straight from the server.
bool Grab(Display* display, Window window, int top, Image* image) {
    XImage* grabbed = XGetImage(display, window, 0, top, 512, 384, AllPlanes, ZPixmap);
    if (grabbed == nullptr) {
        return false;
    }
    const unsigned long masks[3] = {grabbed->red_mask, grabbed->green_mask, grabbed->blue_mask};
    const int shifts[3] = {Shift(masks[0]), Shift(masks[1]), Shift(masks[2])};
    image->width = 512;
    image->height = 384;
    image->rgb.resize(512 * 384);
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            image->rgb[std::size_t(y) * 512 + std::size_t(x)] = ToRgb(XGetPixel(grabbed, x, y), masks, shifts);
        }
    }
    XDestroyImage(grabbed);
    return true;
}

bool Reached(const Profile& base, const Profile& now, const std::string& measure, double limit, Motion* motion) {
    if (base.m.count < kInView || now.m.count < kInView) {
        return false;
    }
    *motion = Between(base, now);
    if (measure == "r") {
        return limit >= 1.0 ? motion->r >= limit : motion->r <= limit;
    }
    const double value = measure == "dx" ? motion->dx : motion->dy;
    return limit < 0.0 ? value <= limit : value >= limit;
}

class Session {
public:
    Session(const char* window, int top) : m_window(std::strtoul(window, nullptr, 0)), m_top(top) {
        m_display = XOpenDisplay(nullptr);
    }
    ~Session() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Display* display() const { return m_display; }
    bool Take(Profile* profile) {
        Image image;
        if (m_display == nullptr || !Grab(m_display, m_window, m_top, &image)) {
            return false;
        }
        *profile = Profiles(image);
        return true;
    }
    // Waits until three pictures over 0.3 s show the flowers unmoved; at
    // most until the deadline.
    bool WaitStill(std::chrono::steady_clock::time_point deadline, Profile* still) {
        Profile first;
        Profile next;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!Take(&first)) {
                return false;
            }
            bool unmoved = true;
            for (int i = 0; i < 2 && unmoved; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                unmoved = Take(&next) && Unmoved(first, next);
            }
            if (unmoved) {
                *still = next;
                return true;
            }
        }
        return false;
    }

private:
    Display* m_display = nullptr;
    Window m_window;
    int m_top;
};

void PrintMotion(const Motion& m) {
    std::printf("%d %d %.3f\n", m.dx, m.dy, m.r);
}

int Hold(int argc, char** argv) {
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: e2e_probe hold WINDOW TOP KEY dx|dy|r LIMIT [keep]\n");
        return 2;
    }
    const std::string measure = argv[5];
    const double limit = std::atof(argv[6]);
    const bool keep = argc == 8 && std::strcmp(argv[7], "keep") == 0;
    if (measure != "dx" && measure != "dy" && measure != "r") {
        std::fprintf(stderr, "e2e_probe: unknown measure %s\n", argv[5]);
        return 2;
    }
    Session session(argv[2], std::atoi(argv[3]));
    Display* display = session.display();
    if (display == nullptr) {
        std::fprintf(stderr, "e2e_probe: no display\n");
        return 1;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    const KeySym keysym = XStringToKeysym(argv[4]);
    const KeyCode code = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
    if (code == 0 || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "e2e_probe: no key %s or no test extension\n", argv[4]);
        return 1;
    }
    Profile base;
    if (!session.Take(&base)) {
        std::fprintf(stderr, "e2e_probe: cannot read window %s\n", argv[2]);
        return 1;
    }
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XFlush(display);
    Profile now;
    Motion motion;
    bool reached = false;
    const auto end = std::chrono::steady_clock::now() + kWaitLimit;
    while (!reached && std::chrono::steady_clock::now() < end) {
        // A short rest between grabs leaves the program its share of the CPU.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        reached = session.Take(&now) && Reached(base, now, measure, limit, &motion);
    }
    if (!keep || !reached) {
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XFlush(display);
    }
    if (!reached) {
        std::fprintf(stderr,
                     "e2e_probe: %s held for 60 s did not move the flowers by %s %s (%lld in view before, %lld now)\n",
                     argv[4], argv[5], argv[6], base.m.count, now.m.count);
        return 1;
    }
    std::fprintf(stderr, "e2e_probe: %s moved the flowers by %d %d %.3f\n", argv[4], motion.dx, motion.dy, motion.r);
    if (keep) {
        PrintMotion(motion);
        return 0;
    }
    Profile still;
    if (!session.WaitStill(std::chrono::steady_clock::now() + kWaitLimit, &still)) {
        std::fprintf(stderr, "e2e_probe: the flowers did not stand still after %s was let go\n", argv[4]);
        return 1;
    }
    if (still.m.count < kInView) {
        std::fprintf(stderr, "e2e_probe: the flowers left the view after %s\n", argv[4]);
        return 1;
    }
    PrintMotion(Between(base, still));
    return 0;
}

int Still(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: e2e_probe still WINDOW TOP SECONDS\n");
        return 2;
    }
    Session session(argv[2], std::atoi(argv[3]));
    if (session.display() == nullptr) {
        std::fprintf(stderr, "e2e_probe: no display\n");
        return 1;
    }
    Profile still;
    if (!session.WaitStill(std::chrono::steady_clock::now() + kWaitLimit, &still)) {
        std::fprintf(stderr, "e2e_probe: the flowers did not stand still in view within 60 s\n");
        return 1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(long(std::atof(argv[4]) * 1000.0));
    Profile now;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!session.Take(&now) || !Unmoved(still, now)) {
            const Motion m = Between(still, now);
            std::fprintf(stderr, "e2e_probe: the flowers moved while watched (%d %d %.3f)\n", m.dx, m.dy, m.r);
            return 1;
        }
    }
    Print(still.m);
    std::printf("\n");
    return 0;
}

bool ReadFile(const char* path, std::string* data) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        data->append(buffer, n);
    }
    std::fclose(file);
    return true;
}

// The client area of a screenshot in dump format.
bool ReadClient(const char* path, int top, Image* client) {
    std::string data;
    Image image;
    std::string error;
    if (!ReadFile(path, &data) || !ReadXwd(data, &image, &error) || image.width < 512 || image.height < top + 384) {
        std::fprintf(stderr, "e2e_probe: %s holds no 512 x 384 client area under %d rows\n", path, top);
        return false;
    }
    client->width = 512;
    client->height = 384;
    client->rgb.resize(512 * 384);
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            client->rgb[std::size_t(y) * 512 + std::size_t(x)] =
                image.rgb[std::size_t(y + top) * std::size_t(image.width) + std::size_t(x)];
        }
    }
    return true;
}

// The film's picture nearest in look to a shot: the least summed difference
// of the client areas' colours. Prints the film file's name.
int Nearest(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: e2e_probe nearest TOP SHOT.xwd FILM.xwd...\n");
        return 2;
    }
    const int top = std::atoi(argv[2]);
    Image shot;
    if (!ReadClient(argv[3], top, &shot)) {
        return 1;
    }
    const char* best = nullptr;
    long long least = 0;
    for (int i = 4; i < argc; ++i) {
        Image frame;
        if (!ReadClient(argv[i], top, &frame)) {
            return 1;
        }
        long long sum = 0;
        for (std::size_t k = 0; k < shot.rgb.size(); ++k) {
            for (int c = 0; c < 24; c += 8) {
                sum += std::abs(int((shot.rgb[k] >> c) & 0xFF) - int((frame.rgb[k] >> c) & 0xFF));
            }
        }
        if (best == nullptr || sum < least) {
            best = argv[i];
            least = sum;
        }
    }
    std::printf("%s\n", best);
    return 0;
}

int ShiftBetween(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: e2e_probe shift A.xwd B.xwd TOP\n");
        return 2;
    }
    const int top = std::atoi(argv[4]);
    Image a;
    Image b;
    if (!ReadClient(argv[2], top, &a) || !ReadClient(argv[3], top, &b)) {
        return 1;
    }
    PrintMotion(Between(Profiles(a), Profiles(b)));
    return 0;
}

int Shot(int argc, char** argv) {
    const int parts = argc == 7 ? std::atoi(argv[6]) : 0;
    if ((argc != 6 && argc != 7) || parts < 0) {
        std::fprintf(stderr, "usage: e2e_probe flowers|coloured|white|magenta X Y W H [N] < shot.xwd\n");
        return 2;
    }
    const std::string kind = argv[1];
    Test test = kind == "flowers" ? Flower : kind == "coloured" ? Coloured : kind == "magenta" ? Magenta : White;
    const int x0 = std::atoi(argv[2]);
    const int y0 = std::atoi(argv[3]);
    const int w = std::atoi(argv[4]);
    const int h = std::atoi(argv[5]);
    std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    Image image;
    std::string error;
    if (!ReadXwd(data, &image, &error)) {
        std::fprintf(stderr, "e2e_probe: %s\n", error.c_str());
        return 1;
    }
    if (x0 < 0 || y0 < 0 || w <= 0 || h <= 0 || x0 + w > image.width || y0 + h > image.height) {
        std::fprintf(stderr, "e2e_probe: %dx%d+%d+%d is not inside the %dx%d shot\n", w, h, x0, y0, image.width,
                     image.height);
        return 1;
    }
    if (parts > 0) {
        long long least = -1;
        for (int j = 0; j < parts; ++j) {
            for (int i = 0; i < parts; ++i) {
                const long long count =
                    Classify(image, x0 + i * w / parts, y0 + j * h / parts, w / parts, h / parts, test).count;
                least = least < 0 || count < least ? count : least;
            }
        }
        std::printf("%lld\n", least);
        return 0;
    }
    Print(Classify(image, x0, y0, w, h, test));
    std::printf("\n");
    return 0;
}

int Overlay(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: e2e_probe overlay A.xwd B.xwd X Y W H\n");
        return 2;
    }
    Image shots[2];
    for (int i = 0; i < 2; ++i) {
        std::string data;
        std::string error;
        if (!ReadFile(argv[2 + i], &data) || !ReadXwd(data, &shots[i], &error)) {
            std::fprintf(stderr, "e2e_probe: cannot read %s\n", argv[2 + i]);
            return 1;
        }
    }
    const int x0 = std::atoi(argv[4]);
    const int y0 = std::atoi(argv[5]);
    const int w = std::atoi(argv[6]);
    const int h = std::atoi(argv[7]);
    for (const Image& shot : shots) {
        if (x0 < 0 || y0 < 0 || w <= 0 || h <= 0 || x0 + w > shot.width || y0 + h > shot.height) {
            std::fprintf(stderr, "e2e_probe: %dx%d+%d+%d is not inside a %dx%d shot\n", w, h, x0, y0, shot.width,
                         shot.height);
            return 1;
        }
    }
    long long still = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            const std::uint32_t a = shots[0].rgb[std::size_t(y) * std::size_t(shots[0].width) + std::size_t(x)];
            const std::uint32_t b = shots[1].rgb[std::size_t(y) * std::size_t(shots[1].width) + std::size_t(x)];
            const int hi = int(std::max({(a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF}));
            if (a == b && hi > 60) {
                ++still;
            }
        }
    }
    std::printf("%lld\n", still);
    return 0;
}

// The window starts magenta, a colour the scene never shows, so a part the
// program has not drawn on is seen in a screenshot.
int Host() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "e2e_probe: no display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const unsigned long magenta = 0xFF00FFul;
    const Window window = XCreateSimpleWindow(display, root, 0, 0, 640, 480, 0, 0, magenta);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do {
        XNextEvent(display, &event);
    } while (event.type != MapNotify);
    Window cover = 0;
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        int width = 0;
        int height = 0;
        if (std::sscanf(line.c_str(), "size %d %d", &width, &height) == 2 && width > 0 && height > 0) {
            XResizeWindow(display, window, unsigned(width), unsigned(height));
        } else if (line == "unmap") {
            XUnmapWindow(display, window);
        } else if (line == "map") {
            XMapRaised(display, window);
        } else if (line == "cover" && cover == 0) {
            XWindowAttributes at;
            XGetWindowAttributes(display, window, &at);
            cover = XCreateSimpleWindow(display, root, at.x, at.y, unsigned(at.width), unsigned(at.height), 0, 0, 0);
            XMapRaised(display, cover);
        } else if (line == "uncover" && cover != 0) {
            XDestroyWindow(display, cover);
            cover = 0;
        } else if (line == "destroy") {
            break;
        } else {
            std::fprintf(stderr, "e2e_probe: unknown host command '%s'\n", line.c_str());
            return 2;
        }
        XSync(display, False);
        std::printf("done\n");
        std::fflush(stdout);
    }
    XDestroyWindow(display, window);
    XSync(display, False);
    std::printf("done\n");
    std::fflush(stdout);
    XCloseDisplay(display);
    return 0;
}

int Reap(char** command) {
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        std::perror("e2e_probe: prctl");
        return 2;
    }
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::perror("e2e_probe: exec");
        _exit(127);
    }
    int childStatus = 2;
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0 && errno == EINTR) {
            continue;
        }
        if (pid < 0) {
            return childStatus;  // no process left
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (pid == child) {
            childStatus = code;
        } else {
            std::printf("%d %d\n", int(pid), code);
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "host") {
        return Host();
    }
    if (mode == "reap" && argc > 2) {
        return Reap(argv + 2);
    }
    if (mode == "overlay") {
        return Overlay(argc, argv);
    }
    if (mode == "hold") {
        return Hold(argc, argv);
    }
    if (mode == "still") {
        return Still(argc, argv);
    }
    if (mode == "shift") {
        return ShiftBetween(argc, argv);
    }
    if (mode == "nearest") {
        return Nearest(argc, argv);
    }
    if (mode == "flowers" || mode == "coloured" || mode == "white" || mode == "magenta") {
        return Shot(argc, argv);
    }
    std::fprintf(stderr,
                 "usage: e2e_probe flowers|coloured|white|magenta X Y W H [N] < shot.xwd\n"
                 "       e2e_probe overlay A.xwd B.xwd X Y W H\n"
                 "       e2e_probe hold WINDOW TOP KEY dx|dy|r LIMIT [keep]\n"
                 "       e2e_probe still WINDOW TOP SECONDS\n"
                 "       e2e_probe nearest TOP SHOT.xwd FILM.xwd...\n"
                 "       e2e_probe host\n"
                 "       e2e_probe reap COMMAND [ARG...]\n");
    return 2;
}
