#pragma once

#include <functional>

#include "OpenRequest.h"

class TImageList;
class TProgressDisplay;

// Adds what `requests` name to `list`, in their order: pictures, and the pictures of folders, the way
// the browser's chosen files are added (progress when there are several, busy cursor, Cancel);
// image list files the way "Load Image List..." reads them. When an image list file is among the
// requests and the list already holds entries, `askToClear` runs once before anything is added: it
// asks whether to clear the existing list and clears it on Yes. `readListFile`, when given, reads an
// image list file into `list` in place of the plain reader (the main window counts the loads under way).
void OpenInImageList(const TOpenRequests& requests, TImageList& list, TProgressDisplay& progress,
                     const std::function<void()>& askToClear,
                     const std::function<void(const QString&)>& readListFile = {});
