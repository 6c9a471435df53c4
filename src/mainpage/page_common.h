#pragma once
// What the page files of EqualizerManager share; private to src/mainpage.

#include <QString>
#include <string>

namespace tonvia::mainpage {

// A text of the model's formatters as a page control takes it.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace tonvia::mainpage
