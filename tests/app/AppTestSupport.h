#pragma once

#include "MLAppDelegate.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "MicSimulator.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QDir>
#include <QLabel>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace mltest {

// The application controller launched against the process's device manager,
// with microphones under umockdev and a local update service.
class AppFixture : public ::testing::Test
{
protected:
    static constexpr const char *kList = "/updates/firmware/lst/4721_A";

    void SetUp() override
    {
        clearUserDefaults();
        server.route(kList, fwtest::HttpResponse::answer(404, "<html>no list</html>"));
        MLUserDefaults::setObject(server.url("/"), QString(MLDefaultsKeys::MarlevoServerURL));
        manager()->setTimings(MLDeviceManagerTimings{800, 3600000, 60.0, 8, 50});
    }

    void TearDown() override
    {
        quit();
        manager()->stop();
        manager()->cancelCommand();
        for (auto &[node, sim] : sims)
            sim->stop();
        flushEvents();
    }

    static MLDeviceManager *manager() { return MLDeviceManager::sharedInstance(); }

    // Periodic queries and update checks far apart unless a test wants them.
    void launch(int periodicQueryMs = 3600000, int firmwareCheckMs = 3600000)
    {
        app = std::make_shared<MLAppDelegate>();
        app->setPeriodicQueryIntervalMs(periodicQueryMs);
        app->setFirmwareCheckIntervalMs(firmwareCheckMs);
        QObject::connect(app.get(), &MLAppDelegate::viewShown, app.get(),
                         [this](QWidget *view) { shown.append(view->objectName()); });
        app->applicationDidFinishLaunching();
    }

    void quit()
    {
        if (app)
            manager()->removeListener(app.get());
        app.reset();
    }

    // Plugs a microphone in, with the simulator on its device end.
    Testbed::Usb plug(const QString &port, quint16 product = 0x4721, const QString &firmware = QStringLiteral("1.05"))
    {
        Testbed::Usb usb =
            testbed.addUsbSerial(1, port, 0x1a85, product, QStringLiteral("ttyACM%1").arg(nextTty++));
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto sim = std::make_unique<MicSimulator>();
        sim->setName(QStringLiteral("Room %1").arg(port));
        sim->setFirmware(firmware);
        EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode)));
        sims[usb.devnode] = std::move(sim);
        return usb;
    }

    void unplug(const Testbed::Usb &usb)
    {
        sims[usb.devnode]->stop();
        testbed.remove(usb);
    }

    MicSimulator &sim(const Testbed::Usb &usb) { return *sims.at(usb.devnode); }

    QString currentViewName() const { return app->currentView() ? app->currentView()->objectName() : QString(); }

    bool waitForView(const QString &name, int timeoutMs = 5000)
    {
        return waitUntil([&] { return currentViewName() == name; }, timeoutMs);
    }

    QString labelText(const char *name) const
    {
        auto *label = app->window()->findChild<QLabel *>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
    }

    // A picture of the window for a reviewer, once the view's fade is over.
    void saveScreenshot(const QString &name)
    {
        processEventsFor(250);
        const QString dir = outputDir() + QStringLiteral("/app");
        QDir().mkpath(dir);
        app->window()->grab().save(dir + u'/' + name + QStringLiteral(".png"));
    }

    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    int nextTty = 0;
    fwtest::TestHttpServer server;
    std::shared_ptr<MLAppDelegate> app;
    QStringList shown;
};

} // namespace mltest
