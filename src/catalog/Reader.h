#pragma once
// One catalog reader per database kind. The browser picks the reader at
// connect time instead of switching on the kind in every operation; the
// reader writes into the browser's tree, grids and labels.
#include <functional>
#include <map>
#include <memory>

namespace zel {

class TBrowser;
class TTreeNode;

class ICatalogReader {
 public:
  virtual ~ICatalogReader() = default;

  // The connect step: fills the root and its first level and sets the
  // version label. Reports its own errors through ShowError and returns
  // false; exceptions that escape count as failure without a message.
  virtual bool Connect() = 0;
  virtual void LoadSchemas(TTreeNode& node) = 0;
  virtual void LoadTables(TTreeNode& node) = 0;
  virtual void LoadColumns(TTreeNode& node) = 0;

  // Kinds whose connection can drop (PostgreSQL) answer from it; the others
  // count as connected while the browser holds their kind.
  virtual bool Connected() const { return true; }
  // Called by Disconnect; closes whatever stays open between operations.
  virtual void Close() {}
  // Called for an accepted selection before anything else; the PostgreSQL
  // reader reconnects to the node's database here. Exceptions escape.
  virtual void PrepareSelection(TTreeNode& node) { (void)node; }
};

using ReaderFactory = std::function<std::unique_ptr<ICatalogReader>(TBrowser&)>;

// DatabaseKind -> factory.
class ReaderRegistry {
 public:
  void Register(int kind, ReaderFactory factory) { factories_[kind] = std::move(factory); }
  bool Has(int kind) const { return factories_.count(kind) != 0; }
  std::unique_ptr<ICatalogReader> Create(int kind, TBrowser& browser) const;

 private:
  std::map<int, ReaderFactory> factories_;
};

}  // namespace zel
