#include "recorder/PupilSettingsBox.h"

#include "recorder/pupil/RemoteAddress.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>

PupilSettingsBox::PupilSettingsBox(QWidget* parent)
    : QGroupBox(tr("Pupil Core (Pupil Capture's network interface)"), parent), address_(new QLineEdit(this)),
      surface_(new QLineEdit(this)), confidence_(new QDoubleSpinBox(this))
{
    setObjectName(QStringLiteral("groupBoxPupil"));
    address_->setObjectName(QStringLiteral("lineEditPupilAddress"));
    surface_->setObjectName(QStringLiteral("lineEditPupilSurface"));
    confidence_->setObjectName(QStringLiteral("spinBoxPupilMinConfidence"));
    address_->setPlaceholderText(QStringLiteral("127.0.0.1:50020"));
    surface_->setMaxLength(100);
    confidence_->setRange(0.0, 1.0);
    confidence_->setSingleStep(0.05);
    confidence_->setDecimals(2);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(8, 4, 8, 4);
    form->setVerticalSpacing(2);
    form->addRow(tr("Pupil Remote address:"), address_);
    form->addRow(tr("Surface of the screen:"), surface_);
    form->addRow(tr("Minimum confidence:"), confidence_);
    connect(address_, &QLineEdit::editingFinished, this, &PupilSettingsBox::takeEdits);
    connect(surface_, &QLineEdit::editingFinished, this, &PupilSettingsBox::takeEdits);
    connect(confidence_, &QDoubleSpinBox::editingFinished, this, &PupilSettingsBox::takeEdits);
    setSettings(settings_);
}

void PupilSettingsBox::setSettings(const PupilSettings& settings)
{
    settings_ = settings;
    const QSignalBlocker blockAddress(address_);
    const QSignalBlocker blockSurface(surface_);
    const QSignalBlocker blockConfidence(confidence_);
    address_->setText(settings.address);
    address_->setReadOnly(settings.addressFromEnvironment);
    address_->setToolTip(
        settings.addressFromEnvironment
            ? tr("Set by the environment variable %1").arg(QLatin1String(PupilSettings::addressVariable))
            : QString());
    surface_->setText(settings.surface);
    confidence_->setValue(settings.minConfidence);
}

void PupilSettingsBox::takeEdits()
{
    PupilSettings edited = settings_;
    const QString address = address_->text().trimmed();
    if (!settings_.addressFromEnvironment) {
        if (pupil::RemoteAddress::parse(address.toStdString()))
            edited.address = address;
        else
            address_->setText(settings_.address);
    }
    const QString surface = surface_->text().trimmed();
    if (!surface.isEmpty())
        edited.surface = surface;
    else
        surface_->setText(settings_.surface);
    edited.minConfidence = confidence_->value();
    if (edited == settings_)
        return;
    settings_ = edited;
    Q_EMIT settingsChanged(settings_);
}
