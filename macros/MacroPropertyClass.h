#pragma once

#include <string>

// A description record: the name of a property, how it is referred to,
// the group it is listed under and a one-line description.
class PropertyClass {
public:
    PropertyClass(std::string name, std::string referenceForm, std::string group, std::string description);
    virtual ~PropertyClass();

    const std::string& name() const { return name_; }
    const std::string& referenceForm() const { return referenceForm_; }
    const std::string& group() const { return group_; }
    const std::string& description() const { return description_; }

private:
    std::string name_;
    std::string referenceForm_;
    std::string group_;
    std::string description_;
};

// The description record of a system macro: referred to as "$(" name ")"
// in the group "System Macro Values".
class MacroPropertyClass : public PropertyClass {
public:
    MacroPropertyClass(const std::string& name, const std::string& description);
};
