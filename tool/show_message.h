// How the camera link and the capture graph tell the operator something: the
// dialog shows a message box, tests collect the texts.
#ifndef PIXMENDER_SHOW_MESSAGE_H
#define PIXMENDER_SHOW_MESSAGE_H

#include <QString>
#include <functional>

namespace pixmender {

using ShowMessage = std::function<void(const QString& text)>;

}  // namespace pixmender

#endif
