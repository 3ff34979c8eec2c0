#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ui/app_icon.h"
#include "ui/button_cursor_filter.h"
#include "ui/device_card.h"
#include "ui/icons.h"
#include "ui/session_status.h"
#include "ui/style_sheet.h"

namespace nimbral {
namespace {

// Counts the polish events that reach the button itself, after every application filter.
class PolishCountingButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    int polishEvents = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Polish) {
            ++polishEvents;
        }
        return QPushButton::event(event);
    }
};

TEST(ButtonCursorFilter, GivesPushButtonsThePointingHandAndPassesEventsOn) {
    ButtonCursorFilter filter;
    qApp->installEventFilter(&filter);

    PolishCountingButton button("Connect");
    QLabel label("ID");
    button.ensurePolished();
    label.ensurePolished();

    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(button.polishEvents, 1);
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);
    qApp->removeEventFilter(&filter);

    QPushButton unfiltered("Later");
    unfiltered.ensurePolished();
    EXPECT_EQ(unfiltered.cursor().shape(), Qt::ArrowCursor);
}

TEST(AppIcon, IsABlueRoundedSquareWithAWhiteLetter) {
    for (const int size : {64, 256}) {
        const QIcon icon = createAppIcon(size);
        ASSERT_FALSE(icon.isNull());
        const QImage image =
            icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));

        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corner should be cut by the radius";
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0);
        EXPECT_EQ(QColor(image.pixel(2, size / 2)), QColor(34, 102, 187));
        EXPECT_EQ(QColor(image.pixel(size / 2, 2)), QColor(34, 102, 187));

        int whitePixels = 0;
        for (int y = size / 4; y < size * 3 / 4; ++y) {
            for (int x = size / 4; x < size * 3 / 4; ++x) {
                const QColor c(image.pixel(x, y));
                whitePixels += (c.red() > 240 && c.green() > 240 && c.blue() > 240) ? 1 : 0;
            }
        }
        EXPECT_GT(whitePixels, size * size / 100) << "the letter is missing at " << size;
    }
}

// Every icon the windows and dialogs name is a drawing in the window's line colour.
TEST(Icons, EveryNamedDrawingIsThereInTheLineColour) {
    for (const char* name :
         {"content_copy", "upload",      "star_border",     "chat",      "arrow_back", "power",
          "star",         "folder_open", "aspect_ratio",    "link",      "settings",   "info",
          "close",        "lock_reset",  "admin",           "edit",      "download",   "link_off",
          "file",         "folder",      "desktop_windows", "fullscreen"}) {
        const QIcon icon = nimbralIcon(name);
        ASSERT_FALSE(icon.isNull()) << name;
        const QImage image = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255) {
                    ++inked;
                    EXPECT_EQ(QColor(pixel), QColor(0xcc, 0xd6, 0xf6)) << name;
                }
            }
        }
        EXPECT_GT(inked, 40) << name << " is empty";
        EXPECT_LT(inked, 48 * 48 * 2 / 3) << name << " is a blot";
    }
    // The favourite's star is the outline filled.
    const auto area = [](const QIcon& icon) {
        const QImage image = icon.pixmap(48, 48).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_GT(area(nimbralIcon("star")), area(nimbralIcon("star_border")) * 3 / 2);
    EXPECT_TRUE(nimbralIcon("no_such_icon").isNull());
    EXPECT_TRUE(nimbralIcon("").isNull());
}

QColor backgroundOf(QWidget& widget) {
    widget.resize(160, 48);
    const QImage image = widget.grab().toImage();
    return QColor(image.pixel(image.width() / 2, 4));
}

TEST(StyleSheet, ButtonsTakeTheirLookFromTheirLookProperty) {
    qApp->setStyleSheet(applicationStyleSheet());

    QPushButton plain;
    QPushButton primary;
    primary.setProperty("look", "primary");
    QWidget window;
    window.resize(200, 100);

    // A plain button stands out from the window, the primary one from both, in the accent.
    const QColor ground = backgroundOf(window);
    EXPECT_NE(backgroundOf(plain), ground);
    const QColor accent = backgroundOf(primary);
    EXPECT_NE(accent, ground);
    EXPECT_NE(accent, backgroundOf(plain));
    EXPECT_GT(accent.blue(), accent.red()) << accent.name().toStdString();
    EXPECT_EQ(primary.font().bold(), true);

    // The flat button paints no background: it shows what lies under it.
    QWidget host;
    host.resize(200, 100);
    auto* flat = new QPushButton(&host);
    flat->setProperty("look", "flat");
    flat->setGeometry(10, 10, 160, 48);
    const QImage hostImage = host.grab().toImage();
    EXPECT_EQ(QColor(hostImage.pixel(90, 14)), ground);

    qApp->setStyleSheet(QString());
}

TEST(StyleSheet, AStatusLineIsGreenWhenAllIsWellRedOnFailureAndFollowsEveryChange) {
    qApp->setStyleSheet(applicationStyleSheet());
    // The status line as the device card shows it.
    DeviceCard card(nullptr);
    QLabel& status = *card.status();
    status.setText(QStringLiteral("Connected"));
    const auto textColour = [&status] {
        status.ensurePolished();
        return status.palette().color(QPalette::WindowText);
    };
    setStatusTone(status, StatusTone::Good);
    const QColor good = textColour();
    EXPECT_GT(good.green(), good.red()) << good.name().toStdString();
    setStatusTone(status, StatusTone::Bad);
    const QColor bad = textColour();
    EXPECT_GT(bad.red(), bad.green()) << bad.name().toStdString();
    setStatusTone(status, StatusTone::Busy);
    EXPECT_NE(textColour(), bad);
    EXPECT_NE(textColour(), good);
    qApp->setStyleSheet(QString());
}

} // namespace
} // namespace nimbral
