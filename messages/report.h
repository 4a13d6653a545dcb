#pragma once
// Shows a text to the user in a modal box with one OK button and returns
// once the box has been dismissed. The caption follows the command line.
void ReportMessage(const char *text);
