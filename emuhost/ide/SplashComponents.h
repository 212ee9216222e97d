// The splash window's components per build and what the emulated IDE tells
// about them. Builds 90 and 100 have their "SplashLabel" (IdeApplication);
// builds 50 to 70 have the labels and panels the -splash-labels switch
// names, and none without it, so that the plug-in makes its own.
//
//   -splash-labels:<list>   (builds 50-70) a comma list of plugins (the label
//                           "LblPlugins" with the IDE's own text), progress
//                           ("LblProgressText"), panels (build 50: both
//                           labels in the panels "PanelPlugins" and
//                           "PanelProgress")
//   -splash-picture:<file>  a picture of the splash window (a BMP file) just
//                           before it is destroyed
//
// Log lines, when the splash window is destroyed:
//   splash-picture <file> | splash-picture failed
//   splash-close progress=<position of "SplashProgress"|none>
//   splash-label <name> "<text>"   one per label the window owns, in
//                                  creation order; a line break is written \n
//   splash-control <name> parent=<name|none> left=<n> top=<n> width=<n> height=<n>
//                                  one per control the window owns
#pragma once

namespace ide {

void AddSplashComponents(void* splash);
void LogSplashClose(void* splash);

}  // namespace ide
