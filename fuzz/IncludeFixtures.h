#pragma once
// A folder of small include files for the pipeline targets, made once per
// process under the temporary directory. The documents under test name
// them relative to "in.xml" in that folder.

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

inline const std::string& includeFixtureFolder()
{
    static const std::string folder = [] {
        std::string pattern = "/tmp/xmlpp-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        const struct {
            const char* name;
            const char* text;
        } files[] = {
            {"a.xml", "<part id='$(A)' n='$(N:0)'><b x='$(X:y)'/><ifdef name='A'><c/></ifdef></part>"},
            {"env.xml", "<?xml version='1.1' encoding='latin1'?><!DOCTYPE page><envelope><c/><d v='$(B)'/></envelope>"},
            {"self.xml", "<s><include filename='self.xml'/></s>"},
            {"bad.xml", "<a>\n<b></c></a>"},
            {"empty.xml", ""},
            {"text.txt", "caf\xc3\xa9 &amp; <text>\n"},
            {"nested.xml", "<n><include filename='a.xml' macros='A=1'/><include filename='env.xml' no_root=''/></n>"},
        };
        for (const auto& file : files)
            std::ofstream(pattern + "/" + file.name, std::ios::binary) << file.text;
        return pattern;
    }();
    return folder;
}
