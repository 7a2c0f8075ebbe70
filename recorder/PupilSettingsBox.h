#pragma once

#include "recorder/trackers/PupilSettings.h"

#include <QGroupBox>

class QDoubleSpinBox;
class QLineEdit;

// The settings tab's fields for Pupil Core: Pupil Remote's address, the surface
// that stands for the screen, and the minimum confidence of a gaze datum. An
// edit that is complete and valid is reported with settingsChanged; an address
// set by the environment is shown but cannot be edited.
class PupilSettingsBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit PupilSettingsBox(QWidget* parent = nullptr);

    void setSettings(const PupilSettings& settings);
    PupilSettings settings() const { return settings_; }

    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* surfaceEdit() const { return surface_; }
    QDoubleSpinBox* confidenceBox() const { return confidence_; }

Q_SIGNALS:
    void settingsChanged(const PupilSettings& settings);

private:
    void takeEdits();

    PupilSettings settings_;
    QLineEdit* address_;
    QLineEdit* surface_;
    QDoubleSpinBox* confidence_;
};
