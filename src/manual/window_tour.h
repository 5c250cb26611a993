#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ui/message_box.h"

class QWidget;

// Every window of the program, opened for real with the data of a registry office (Italian names,
// the shipped reference tables, a working directory of its own), for the manual's pictures and for
// the check that the manual names every caption.
namespace nerovale::manual {

// Called with each window while it is open, under the name of its picture.
using Visit = std::function<void(const std::string& name, QWidget& window)>;

// Lays out the working directory (ref/ copied from the source folder, no config.ini: the first
// start), goes through the windows in the order an operator meets them and hands each to visit.
// Message boxes are answered without showing them; the answer is the list of what they said. The
// message boxes worth a picture are visited too, built as the program builds them.
std::vector<ui::MessageRequest> TourWindows(const std::filesystem::path& source, const std::filesystem::path& work,
                                            const Visit& visit);

}  // namespace nerovale::manual
