// What the simulator link asks of the tablet side. The simulator floor sits
// below the tablet's, so it reaches the connected tablet only through this seam,
// which the core object wires to the tablet link and avionics.
#pragma once

#include <string>

namespace brelvik {

class TabletOutput {
public:
    virtual ~TabletOutput() = default;
    virtual bool isTabletConnected() const = 0;
    // The number after key A in the tablet's last "Answer"; some flight-data
    // fields are filled differently while it is 0.
    virtual int tabletOptionValue() const = 0;
    virtual void sendToTablet(const std::string& text) = 0;
    // The yoke position of each flight sample while the tablet is connected: the
    // tablet's stick commands leave an axis they do not name where the pilot has it.
    virtual void setYoke(double x, double y) = 0;
};

}  // namespace brelvik
