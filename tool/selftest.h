// pixmender --selftest: the dialog driven once through its whole job without
// an operator, for the demo and for checking an installation.
#ifndef PIXMENDER_SELFTEST_H
#define PIXMENDER_SELFTEST_H

#include <QString>

namespace pixmender {

// Opens the dialog, runs the visible and the infrared adjustment, writes
// `serial`, prints the EEPROM records and closes the dialog. 0 when both
// adjustments converged and the serial number reads back equal.
int RunSelfTest(const QString& serial);

}  // namespace pixmender

#endif
