#pragma once
// The page of the on-screen texts of the checked single-channel cameras: the
// channel name and the date, each with its position.
//
// The main window creates the page once and hands it the tool bar; the
// filter and the busy state are PageBase's until the page's table and form
// arrive. GUI thread only, except removeWorkDevice.
#include "devices/DeviceWatcher.h"
#include "shell/ui/PageBase.h"

class QAbstractSlider;
class QSlider;

class OSDConfig : public PageBase, public DeviceWatcher
{
    Q_OBJECT

public:
    explicit OSDConfig(QWidget* parent = nullptr);

    // A device of the page's work reported back; any thread (DeviceWatcher).
    void removeWorkDevice(DeviceInfo* device, bool remove) override;

    // The four position sliders (text X and Y, date X and Y). The main window
    // makes a left-button press on one jump straight to the pressed value.
    QAbstractSlider* sliderX() const;
    QAbstractSlider* sliderY() const;
    QAbstractSlider* sliderDateX() const;
    QAbstractSlider* sliderDateY() const;

    // The largest text positions the devices take.
    static constexpr int kMaxX = 486;
    static constexpr int kMaxY = 551;

private:
    QSlider* m_SldX = nullptr;
    QSlider* m_SldY = nullptr;
    QSlider* m_SldDateX = nullptr;
    QSlider* m_SldDateY = nullptr;
};
