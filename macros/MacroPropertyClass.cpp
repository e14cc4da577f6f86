#include "macros/MacroPropertyClass.h"

#include <utility>

PropertyClass::PropertyClass(std::string name, std::string referenceForm, std::string group, std::string description)
    : name_(std::move(name)), referenceForm_(std::move(referenceForm)), group_(std::move(group)),
      description_(std::move(description))
{}

PropertyClass::~PropertyClass() = default;

MacroPropertyClass::MacroPropertyClass(const std::string& name, const std::string& description)
    : PropertyClass(name, "$(" + name + ")", "System Macro Values", description)
{}
