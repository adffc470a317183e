// Author assignment from the contributor entries, with the author dictionary.
#include <algorithm>
#include <vector>

#include "contributors/contributors.h"
#include "text/bytes.h"
#include "text/markup.h"

namespace vostrel {

Dictionary AuthorDict;

void LoadAuthorDictionary(const std::string& directory) {
  AuthorDict = LoadDictionary(directory + "AuthDB.dat");
}

void FreeAuthorDictionary() {
  AuthorDict = {};
}

std::string DictionaryKey(std::string_view text) {
  std::string key(text);
  for (std::string_view mark : {"・", "☆", "★", "♪"})
    key = RemoveAll(key, mark);
  // Katakana "ニ" and kanji "二" look alike and are typed for each other; both key as the kanji.
  key = ReplaceAll(key, "ニ", "二");
  key = ToHalfWidth(key);
  key = RemoveAll(key, " ");
  // The half-width prolonged sound mark (also what "ー" became above) keys as "-".
  key = ReplaceAll(key, "\xB0", "-");
  return std::string(Trim(key));
}

namespace {

// What the author dictionary says about one name; every field empty when it has no line for it.
struct DictionaryEntry {
  std::string_view name, reading, note;
  bool found = false;
};

DictionaryEntry LookupAuthor(std::string_view name) {
  DictionaryEntry entry;
  if (AuthorDict.lineCount == 0)
    return entry;
  const std::string normalised = DictionaryKey(name);
  // A name with an empty key would be "found" at any empty field of any line ("||"), and that
  // line's next field would replace the name; such a name is not looked up.
  if (normalised.empty())
    return entry;
  const std::string key = "|" + normalised + "|";
  const std::string_view text = AuthorDict.text;
  const std::size_t at = FindBytes(text, key);
  if (at == std::string_view::npos)
    return entry;
  // The value runs to the next "|" that ends a line, so a line without its final "|" runs on
  // into the lines after it. The view starts at the key: ExtractBetween finds it there at once.
  const std::string_view value = ExtractBetween(text.substr(at), key, "|\r\n");
  entry.name = NthField(value, '|', 1);
  entry.reading = NthField(value, '|', 2);
  entry.note = NthField(value, '|', 3);
  entry.found = true;
  return entry;
}

// Author1 CR LF Author2 CR LF OtherContributors: the names already given, against which each
// new name is tested for a duplicate.
std::string AssignedNames(const TBase& rec) {
  std::string names = rec.Author1;
  names += "\r\n";
  names += rec.Author2;
  names += "\r\n";
  names += rec.OtherContributors;
  return names;
}

// Tells which of a fixed set of names occur in a text that grows at its end (the assigned
// names): an Aho-Corasick automaton over the names, fed each byte of the text once. A node is
// marked when the text has shown the name it spells, and the marks stay closed under the failure
// links, so no node is marked twice. Testing every name with a byte search of the whole text
// instead costs the product of the two, which a page of thousands of contributors makes hours.
class NameOccurrences {
 public:
  // The node that spells `name` (added when new). Only before Build.
  int Add(std::string_view name) {
    int node = 0;
    for (char c : name) {
      const auto b = static_cast<unsigned char>(c);
      int next = Child(node, b);
      if (next < 0) {
        next = static_cast<int>(nodes_.size());
        nodes_.push_back(Node{-1, nodes_[static_cast<std::size_t>(node)].firstChild, 0, b});
        nodes_[static_cast<std::size_t>(node)].firstChild = next;
      }
      node = next;
    }
    return node;
  }

  // Sets the failure links, breadth first; then the text may be fed.
  void Build() {
    std::vector<int> queue;
    queue.reserve(nodes_.size());
    for (int c = nodes_[0].firstChild; c >= 0; c = nodes_[static_cast<std::size_t>(c)].nextSibling)
      queue.push_back(c);
    for (std::size_t i = 0; i < queue.size(); ++i) {
      const int u = queue[i];
      for (int v = At(u).firstChild; v >= 0; v = At(v).nextSibling) {
        int f = At(u).fail;
        while (f != 0 && Child(f, At(v).byte) < 0)
          f = At(f).fail;
        const int g = Child(f, At(v).byte);
        At(v).fail = (g >= 0 && g != v) ? g : 0;
        queue.push_back(v);
      }
    }
    marked_.assign(nodes_.size(), 0);
  }

  // Forgets the text fed so far.
  void Restart() {
    std::fill(marked_.begin(), marked_.end(), 0);
    state_ = 0;
  }

  void Feed(std::string_view text) {
    for (char c : text) {
      const auto b = static_cast<unsigned char>(c);
      while (state_ != 0 && Child(state_, b) < 0)
        state_ = At(state_).fail;
      const int next = Child(state_, b);
      state_ = next < 0 ? 0 : next;
      for (int s = state_; s != 0 && marked_[static_cast<std::size_t>(s)] == 0; s = At(s).fail)
        marked_[static_cast<std::size_t>(s)] = 1;
    }
  }

  // True when the text fed since the last restart holds the name of `node`.
  bool Seen(int node) const { return marked_[static_cast<std::size_t>(node)] != 0; }

 private:
  struct Node {
    int firstChild = -1;
    int nextSibling = -1;
    int fail = 0;
    unsigned char byte = 0;
  };
  Node& At(int node) { return nodes_[static_cast<std::size_t>(node)]; }
  int Child(int node, unsigned char b) const {
    for (int c = nodes_[static_cast<std::size_t>(node)].firstChild; c >= 0;
         c = nodes_[static_cast<std::size_t>(c)].nextSibling) {
      if (nodes_[static_cast<std::size_t>(c)].byte == b)
        return c;
    }
    return -1;
  }

  std::vector<Node> nodes_{Node{}};
  std::vector<char> marked_;
  int state_ = 0;
};

}  // namespace

void AssignAuthors(const ContributorList& list, TBase& rec) {
  // What each entry offers, which does not depend on the places already given: its name (from
  // the dictionary when it knows the name), reading and note.
  struct Candidate {
    std::string_view name, reading, note;
    int node = 0;
  };
  std::vector<Candidate> candidates;
  candidates.reserve(list.Entries().size());
  NameOccurrences occurrences;
  for (const std::string& entry : list.Entries()) {
    // The role digit goes; a role suffix stays part of the name.
    std::string_view name = entry.empty() ? std::string_view() : std::string_view(entry).substr(1);

    std::string_view bracketReading;
    if (const std::size_t open = PositionOf(name, "［"); open != 0) {
      bracketReading = ExtractBetween(name, "［", "］");
      // Whatever follows the reading (a role suffix) is dropped with it.
      name = BytesBefore(name, open);
    }

    const DictionaryEntry known = LookupAuthor(name);
    if (known.found)
      name = known.name;
    const std::string_view reading = known.reading.empty() ? bracketReading : known.reading;
    candidates.push_back({name, reading, known.note, occurrences.Add(name)});
  }
  occurrences.Build();

  // The duplicate test asks whether a name occurs anywhere in the names already given
  // (AssignedNames), which is fed to `occurrences` as it grows: whole again when an author place
  // is given, at its end when a name joins OtherContributors.
  occurrences.Feed(AssignedNames(rec));
  for (const Candidate& c : candidates) {
    if (!c.name.empty() && occurrences.Seen(c.node))
      continue;
    if (rec.Author1.empty()) {
      rec.Author1 = std::string(c.name);
      rec.Author1Reading = std::string(c.reading);
      rec.Author1Note = std::string(c.note);
      if (!c.name.empty()) {
        occurrences.Restart();
        occurrences.Feed(AssignedNames(rec));
      }
    } else if (rec.Author2.empty()) {
      rec.Author2 = std::string(c.name);
      rec.Author2Reading = std::string(c.reading);
      if (!c.name.empty()) {
        occurrences.Restart();
        occurrences.Feed(AssignedNames(rec));
      }
    } else {
      rec.OtherContributors += "\r\n";
      rec.OtherContributors += c.name;
      occurrences.Feed("\r\n");
      occurrences.Feed(c.name);
    }
  }
  rec.OtherContributors = std::string(Trim(rec.OtherContributors));
}

}  // namespace vostrel
