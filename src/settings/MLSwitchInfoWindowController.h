#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QWidget;

// The window that explains the microphone's two-position channel switch and
// the channel letters. The settings sheet shows it as a sheet over itself.
class MLSwitchInfoWindowController : public QObject
{
    Q_OBJECT

public:
    // Ends the sheet: its window and the code, 1 by its OK button, 0 cancelled.
    using DidEndHandler = std::function<void(QWidget *sheet, int returnCode)>;

    explicit MLSwitchInfoWindowController(QObject *parent = nullptr);
    // Closes and deletes the window without running the did-end handler.
    ~MLSwitchInfoWindowController() override;

    // Loads the layout "SwitchInfoWindow" as a dialog owned by parentWindow;
    // false when it cannot be loaded.
    bool loadWindow(QWidget *parentWindow);
    QDialog *window() const { return m_window; }

    // Shows the window, window-modal over `modalForWindow`.
    void beginSheet(QWidget *modalForWindow, DidEndHandler didEnd);
    // Ends the sheet with the code; the did-end handler runs at once. Nothing
    // touches this controller after the handler, which may release it.
    void endSheet(int returnCode);
    bool isSheetOpen() const { return m_open; }

    // Action of the window's OK button.
    void okButtonClicked();

private:
    void windowFinished(int returnCode);

    QPointer<QDialog> m_window;
    DidEndHandler m_didEnd;
    bool m_open = false;
    bool m_ending = false;
};
