#pragma once

class QApplication;
class TDM;

// Sets up the process for the program: its name, Qt's own texts (message box
// buttons, file and print dialogs) in Chinese, and the Chinese locale for
// calendars and month and day names. Window captions stay exactly as each
// window sets them. Missing translations leave Qt's English texts.
void setUpApplication(QApplication &app);

// Creates the data module and every window, once each and in the order the
// program relies on (the main window opens the shared datasets that the
// dialogs created after it read). Returns the data module; the windows are
// children of the main window. Failures are shown in the general error box.
TDM *createApplicationWindows();
