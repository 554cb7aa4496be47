#pragma once

#include <string>

// The packed property list of each of the window's nine controls.
namespace tambourin::lists {

const std::string& HTMLViewer1();
const std::string& TextField1();
const std::string& PushButton5();
const std::string& HTMLViewer2();
const std::string& buttonfront();
const std::string& buttonback();
const std::string& Separator1();
const std::string& BevelButton3();
const std::string& buttonhome();

}  // namespace tambourin::lists
