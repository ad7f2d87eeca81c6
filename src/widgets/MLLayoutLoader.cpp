#include "MLLayoutLoader.h"

#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"
#include "MLImages.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QVariant>

namespace {

const char kTextStyleProperty[] = "mlTextStyle";
const char kImageProperty[] = "mlImage";
const QSize kDefaultImageSize(64, 64);

QColor mix(const QColor &a, const QColor &b, qreal amountOfB)
{
    const auto channel = [amountOfB](int x, int y) { return qRound(x + (y - x) * amountOfB); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

QFont scaledFont(QFont font, qreal factor, QFont::Weight weight)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * factor));
    font.setWeight(weight);
    return font;
}

void applyTextStyle(QLabel *label, const QString &style)
{
    // Scale from the inherited font, not the label's own, so that styling a
    // label twice gives the same result.
    const QFont base = label->parentWidget() ? label->parentWidget()->font() : QApplication::font();
    const QPalette palette =
        label->parentWidget() ? label->parentWidget()->palette() : QApplication::palette();
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);

    if (style == QLatin1StringView("title")) {
        label->setFont(scaledFont(base, 1.9, QFont::Bold));
    } else if (style == QLatin1StringView("headline")) {
        label->setFont(scaledFont(base, 1.45, QFont::Bold));
    } else if (style == QLatin1StringView("body")) {
        label->setFont(scaledFont(base, 1.1, QFont::Normal));
    } else if (style == QLatin1StringView("secondary")) {
        label->setFont(scaledFont(base, 1.1, QFont::Normal));
        QPalette muted = label->palette();
        muted.setColor(QPalette::Active, QPalette::WindowText, mix(text, window, 0.4));
        muted.setColor(QPalette::Inactive, QPalette::WindowText, mix(text, window, 0.4));
        label->setPalette(muted);
    } else if (style == QLatin1StringView("notice")) {
        label->setFont(scaledFont(base, 1.0, QFont::Normal));
        const QColor accent = palette.color(QPalette::Highlight);
        label->setStyleSheet(
            QStringLiteral("QLabel { background-color: %1; border: 1px solid %2;"
                           " border-radius: 5px; padding: 5px 10px; color: %3; }")
                .arg(mix(window, accent, 0.12).name(), mix(window, accent, 0.45).name(), text.name()));
    }
}

void applyImage(QLabel *label, const QString &name)
{
    const QSize size = label->minimumSize().isEmpty() ? kDefaultImageSize : label->minimumSize();
    label->setPixmap(MLImages::pixmapNamed(name, size, label->devicePixelRatioF()));
}

// QUiLoader's constructor loads every Qt Designer plugin under the library
// paths; where Qt Designer is installed that pulls in Qt Quick (about 30 ms
// and 6 MB). Our layouts need none of them, so the one loader of the process
// is made while the library paths are empty.
MLLayoutLoader *sharedLoader()
{
    static QPointer<MLLayoutLoader> loader;
    if (!loader) {
        const QStringList libraryPaths = QCoreApplication::libraryPaths();
        QCoreApplication::setLibraryPaths({});
        loader = new MLLayoutLoader(QCoreApplication::instance());
        QCoreApplication::setLibraryPaths(libraryPaths);
    }
    return loader;
}

} // namespace

MLLayoutLoader::MLLayoutLoader(QObject *parent) : QUiLoader(parent)
{
    // Our layouts use only Qt's own widgets and ours.
    clearPluginPaths();
}

QWidget *MLLayoutLoader::createWidget(const QString &className, QWidget *parent, const QString &name)
{
    QWidget *widget = nullptr;
    if (className == QLatin1StringView("MLBatteryGauge"))
        widget = new MLBatteryGauge(parent);
    else if (className == QLatin1StringView("MLBusyIndicator"))
        widget = new MLBusyIndicator(parent);
    else
        return QUiLoader::createWidget(className, parent, name);
    widget->setObjectName(name);
    return widget;
}

QString MLLayoutLoader::layoutPath(const QString &name)
{
    return QStringLiteral(":/layouts/%1.ui").arg(name);
}

QWidget *MLLayoutLoader::loadLayout(const QString &name, QWidget *parentWidget)
{
    if (name.isEmpty() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    QFile file(layoutPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QWidget *root = sharedLoader()->load(&file, parentWidget);
    if (!root)
        return nullptr;
    applyStyles(root);
    return root;
}

void MLLayoutLoader::applyStyles(QWidget *root)
{
    if (!root)
        return;
    QList<QLabel *> labels = root->findChildren<QLabel *>();
    if (auto *label = qobject_cast<QLabel *>(root))
        labels.prepend(label);
    for (QLabel *label : std::as_const(labels)) {
        if (const QVariant style = label->property(kTextStyleProperty); style.isValid())
            applyTextStyle(label, style.toString());
        if (const QVariant image = label->property(kImageProperty); image.isValid())
            applyImage(label, image.toString());
    }
}
