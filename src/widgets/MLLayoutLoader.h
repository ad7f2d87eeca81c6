#pragma once

#include <QString>
#include <QUiLoader>

// Loads the Qt Designer layouts compiled into the program
// (":/layouts/<name>.ui") and makes our own widgets (MLBatteryGauge,
// MLBusyIndicator) wherever a layout names them.
//
// Two dynamic string properties of a label are read after loading, so that
// every view uses the same sizes, colours and pictures:
// - "mlTextStyle": "title" (large, bold), "headline" (bold), "body",
//   "secondary" (muted) or "notice" (a quiet tinted box);
// - "mlImage": the name of a picture (MLImages), drawn at the label's
//   minimum size.
class MLLayoutLoader : public QUiLoader
{
    Q_OBJECT

public:
    explicit MLLayoutLoader(QObject *parent = nullptr);

    QWidget *createWidget(const QString &className, QWidget *parent = nullptr,
                          const QString &name = QString()) override;

    static QString layoutPath(const QString &name);

    // The layout's root widget, owned by parentWidget when one is given;
    // nullptr when the layout is missing or cannot be read. Writes no log
    // line: the caller knows what it was loading. GUI thread only; uses one
    // loader for the whole process, made without Qt Designer's plugins
    // (a loader made directly loads them all).
    static QWidget *loadLayout(const QString &name, QWidget *parentWidget = nullptr);

    // Gives the labels under root their text style and picture (see above).
    // loadLayout does this already; call it again after the palette, font or
    // screen changed.
    static void applyStyles(QWidget *root);
};
