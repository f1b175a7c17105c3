#include "reliability/config_xml.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "reliability/reliability_config.h"

namespace reliability {
namespace {

constexpr char kConfRoot[] = "/etc/conf.d/";

struct Element {
  std::string text;
  std::vector<std::pair<std::string, std::unique_ptr<Element>>> children;  // file order

  Element& child(const std::string& name) {
    for (auto& each : children) {
      if (each.first == name) return *each.second;
    }
    children.emplace_back(name, std::make_unique<Element>());
    return *children.back().second;
  }
};

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void write(const std::string& name, const Element& element, int depth, std::string& out) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  if (element.children.empty()) {
    out += indent + "<" + name + ">" + escaped(element.text) + "</" + name + ">\n";
    return;
  }
  out += indent + "<" + name + ">\n";
  for (const auto& child : element.children) write(child.first, *child.second, depth + 1, out);
  out += indent + "</" + name + ">\n";
}

std::string document(const std::vector<std::pair<std::string, std::string>>& values) {
  Element top;
  for (const auto& value : values) {
    Element* at = &top;
    size_t start = 1;  // key paths begin with '/'
    while (start <= value.first.size()) {
      size_t end = value.first.find('/', start);
      if (end == std::string::npos) end = value.first.size();
      at = &at->child(value.first.substr(start, end - start));
      start = end + 1;
    }
    at->text = value.second;
  }
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  for (const auto& root : top.children) write(root.first, *root.second, 0, out);
  return out;
}

}  // namespace

std::string ConfigXml(int file, bool b) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const ConfigValue& value : kValues) {
    const char* text = b ? value.b : value.a;
    if (value.file == file && text != nullptr) values.emplace_back(value.key, text);
  }
  return document(values);
}

std::string RelativePath(int file) { return kFiles[file].path + std::strlen(kConfRoot); }

std::string CapabilityXml() {
  std::vector<std::pair<std::string, std::string>> values;
  for (const Parameter& parameter : kParameters) {
    const std::string name = parameter.name;
    const size_t underscore = name.find('_');
    values.emplace_back("/root/" + name.substr(0, underscore) + "/" + name.substr(underscore + 1),
                        parameter.value);
  }
  return document(values);
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  return close(fd) == 0 && done == text.size();
}

}  // namespace reliability
