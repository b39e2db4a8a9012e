#pragma once
#include <QString>

// Where the program's Windows-style names live on this machine.
namespace Paths {

// Folder of COMn entries (symlinks to ttys or ptys): $HALYARD_DEVICES, else <XDG data>/halyard/devices.
QString DevicesDir();
// Stand-in for drive C: $HALYARD_DRIVE_C, else <XDG data>/halyard/drive_c.
QString DriveC();
// "C:\x\y" (drive letter in either case) -> <drive_c>/x/y. Other names come back with slashes only.
QString DriveCPath(const QString& windowsPath);

// Device name of number n as the comms dialog builds it: one digit below 10, else the two
// characters '0' + n / 10 and '0' + n % 10 (so 100 and up never name a valid device).
QString ComDeviceName(int n);
// Number of a valid "COMn" name (one or two digits), or -1.
int ComNumberOf(const QString& comName);
// Device path for a COMn name: <devices>/COMn when that entry exists, else /dev/ttyS(n-1).
// Empty for a name that is not a valid device name, or for COM0 with no entry.
QString ResolveDevice(const QString& comName);

} // namespace Paths
