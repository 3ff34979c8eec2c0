#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

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

// WCAG 2 contrast of two colours: 1 (the same) to 21 (black on white).
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) {
            return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
               0.0722 * linear(colour.blueF());
    };
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

using Rule = std::map<QString, QString>; // property -> value

std::map<QString, Rule> rulesOf(const QString& sheet) {
    std::map<QString, Rule> rules;
    static const QRegularExpression block(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    for (auto blocks = block.globalMatch(sheet); blocks.hasNext();) {
        const auto match = blocks.next();
        Rule rule;
        for (const QString& declaration : match.captured(2).split(';', Qt::SkipEmptyParts)) {
            const qsizetype colon = declaration.indexOf(':');
            if (colon > 0) {
                rule[declaration.left(colon).trimmed()] = declaration.mid(colon + 1).trimmed();
            }
        }
        for (const QString& selector : match.captured(1).split(',', Qt::SkipEmptyParts)) {
            rules[selector.simplified()] = rule;
        }
    }
    return rules;
}

// Every text colour of the style sheet on every ground it can stand on, selections included,
// is at least 4.5:1 (WCAG AA); the check box's outline at least 3:1 (a control's boundary).
// Disabled controls are exempt, as WCAG has them.
TEST(StyleSheet, EveryTextStandsOutFromItsGroundByWcagAA) {
    const std::map<QString, Rule> rules = rulesOf(applicationStyleSheet());
    const QColor plainText(0xe0, 0xe0, 0xe0);
    const QList<QColor> surfaces = {QColor("#1a1a2e"), QColor("#16213e"), QColor("#0d1b2a")};
    const auto colourOf = [](const Rule& rule, const char* property) -> std::optional<QColor> {
        const auto value = rule.find(property);
        if (value == rule.end() || !value->second.startsWith('#')) {
            return std::nullopt; // none, or "transparent": what lies under it shows
        }
        return QColor(value->second);
    };
    int pairs = 0;
    const auto check = [&pairs](const QString& where, const QColor& text, const QColor& ground,
                                double least) {
        ++pairs;
        EXPECT_GE(contrast(text, ground), least)
            << where.toStdString() << ": " << text.name().toStdString() << " on "
            << ground.name().toStdString();
    };
    for (const auto& [selector, rule] : rules) {
        if (selector.contains(":disabled") || selector.startsWith("QScrollBar") ||
            selector.startsWith("QFrame") || selector.startsWith("QSplitter") ||
            selector.contains("::separator") || selector.contains("::indicator")) {
            continue; // not text: lines, handles and marks
        }
        // What the rule's state does not set comes from the rule without the state.
        const QString base = selector.section(':', 0, 0);
        const Rule* plain = rules.count(base) != 0 ? &rules.at(base) : nullptr;
        const QColor text =
            colourOf(rule, "color")
                .value_or(plain ? colourOf(*plain, "color").value_or(plainText) : plainText);
        const auto ground = colourOf(rule, "background-color");
        if (ground) {
            check(selector, text, *ground, 4.5);
        } else if (colourOf(rule, "color")) {
            for (const QColor& surface : surfaces) {
                check(selector, text, surface, 4.5);
            }
        }
        if (const auto selected = colourOf(rule, "selection-background-color")) {
            check(selector + " (selected)", colourOf(rule, "selection-color").value_or(text),
                  *selected, 4.5);
        }
    }
    const Rule& box = rules.at("QCheckBox::indicator");
    check("check box outline", QColor(box.at("border").section(' ', -1)),
          colourOf(box, "background-color").value_or(QColor()), 3.0);
    EXPECT_TRUE(rules.at("QCheckBox::indicator:checked").count("image"))
        << "a checked box shows its tick";
    EXPECT_GT(pairs, 40);
}

// The marks the style sheet draws in are there: a checked box shows a dark tick on the accent,
// a spin box its two light arrows.
TEST(StyleSheet, ACheckedBoxShowsItsTickAndASpinBoxItsArrows) {
    qApp->setStyleSheet(applicationStyleSheet());
    const auto countNear = [](const QImage& image, const QRect& area, const QColor& colour) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                count += std::abs(pixel.red() - colour.red()) +
                                     std::abs(pixel.green() - colour.green()) +
                                     std::abs(pixel.blue() - colour.blue()) <
                                 60
                             ? 1
                             : 0;
            }
        }
        return count;
    };
    QCheckBox box(QStringLiteral("Share the clipboard"));
    box.resize(box.sizeHint());
    const QImage unchecked = box.grab().toImage();
    box.setChecked(true);
    const QImage checked = box.grab().toImage();
    // The box is where the accent is; without a tick nothing dark lies inside it.
    QRect filled;
    for (int y = 0; y < checked.height(); ++y) {
        for (int x = 0; x < std::min(checked.width(), 30); ++x) {
            if (countNear(checked, QRect(x, y, 1, 1), QColor("#4da6ff")) == 1) {
                filled |= QRect(x, y, 1, 1);
            }
        }
    }
    EXPECT_GE(filled.width(), 12) << "the accent fills the box";
    EXPECT_GT(countNear(checked, filled.adjusted(2, 2, -2, -2), QColor("#0d1b2a")), 8)
        << "and the tick is drawn on it";
    EXPECT_GT(countNear(unchecked, filled, QColor("#9aa5c4")), 20)
        << "an empty box shows its outline";

    QSpinBox spin;
    spin.resize(120, 34);
    const QImage spinImage = spin.grab().toImage();
    const QRect buttons(spinImage.width() - 18, 0, 18, spinImage.height());
    EXPECT_GT(countNear(spinImage, buttons, QColor("#e0e0e0")), 6) << "arrows on the buttons";
    qApp->setStyleSheet(QString());
}

} // namespace
} // namespace nimbral
