#pragma once

// Receiver of the device manager's events. deviceConnected and
// devicePropertiesChanged run inside the sender; the other three run on a
// later pass of the main event loop.
class DeviceManagerEventListener
{
public:
    virtual ~DeviceManagerEventListener() = default;

    virtual void deviceConnected() = 0;
    virtual void deviceDisconnected() = 0;
    virtual void deviceHadError() = 0;
    virtual void deviceBricked() = 0;
    virtual void devicePropertiesChanged() = 0;
};
