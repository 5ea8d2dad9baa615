#include "digsensors.h"

DigSensors::DigSensors(QWidget *parent) : PageBase(parent)
{
    setObjectName(QStringLiteral("DigSensors"));
}

void DigSensors::enterPage()
{
    refresh(true);
}

void DigSensors::refresh(bool) {}
