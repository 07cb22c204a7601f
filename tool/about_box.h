// The About box that the system menu's entry opens.
#ifndef PIXMENDER_ABOUT_BOX_H
#define PIXMENDER_ABOUT_BOX_H

class QDialog;
class QWidget;

namespace pixmender {

// Builds the About box (title, version text and its OK button) as a child
// dialog of `parent`, without showing it; the caller deletes it.
QDialog* BuildAboutBox(QWidget* parent);

// Shows the About box modally until it is confirmed or closed.
void ShowAboutBox(QWidget* parent);

}  // namespace pixmender

#endif
