// A planted wrong include: the image code may not know the drive.
#pragma once
#include "disc/scsi/ScsiDevice.h"
