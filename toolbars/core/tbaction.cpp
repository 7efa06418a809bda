#include "toolbars/core/tbaction.h"

#include "toolbars/core/tbitem.h"

namespace qel::toolbars {

TTbrAction::~TTbrAction() {
  // Each item clears its Action, which frees its link and so leaves Clients.
  while (!Clients.isEmpty()) {
    TTbrCustomItemActionLink *link = Clients.first();
    link->Client->ActionDestroying();
    Clients.removeOne(link); // in case the item kept the link
  }
}

void TTbrAction::SetValues(const TTbrActionValues &values) {
  if (values == Current)
    return;
  const TTbrActionValues before = Current;
  // A client's setter may run code that unlinks clients: walk a copy.
  const QList<TTbrCustomItemActionLink *> clients = Clients;
  for (TTbrCustomItemActionLink *link : clients)
    if (Clients.contains(link))
      link->ActionChanging(before, values);
  Current = values;
}

TTbrCustomItemActionLink::~TTbrCustomItemActionLink() { SetAction(nullptr); }

void TTbrCustomItemActionLink::SetAction(TTbrAction *action) {
  if (action == FAction)
    return;
  if (FAction)
    FAction->Clients.removeOne(this);
  FAction = action;
  if (FAction)
    FAction->Clients.append(this);
}

bool TTbrCustomItemActionLink::IsLinkedTo(TTbrActionProperty property, const TTbrActionValues &v) const {
  const TTbrCustomItem &item = *Client;
  switch (property) {
  case TTbrActionProperty::AutoCheck: return item.AutoCheck() == v.AutoCheck;
  case TTbrActionProperty::Caption: return item.Caption() == v.Caption;
  case TTbrActionProperty::Checked: return item.Checked() == v.Checked;
  case TTbrActionProperty::Enabled: return item.Enabled() == v.Enabled;
  case TTbrActionProperty::HelpContext: return item.HelpContext() == v.HelpContext;
  case TTbrActionProperty::Hint: return item.Hint() == v.Hint;
  case TTbrActionProperty::ImageIndex: return item.ImageIndex() == v.ImageIndex;
  case TTbrActionProperty::ShortCut: return item.ShortCut() == v.ShortCut;
  case TTbrActionProperty::Visible: return item.Visible() == v.Visible;
  case TTbrActionProperty::OnExecute: return item.OnClickFromAction();
  }
  return false;
}

bool TTbrCustomItemActionLink::IsLinked(TTbrActionProperty property) const {
  return FAction && IsLinkedTo(property, FAction->Values());
}

void TTbrCustomItemActionLink::ActionChanging(const TTbrActionValues &before, const TTbrActionValues &after) {
  // Each value goes over only while the item still agrees with the action's
  // old one: a value the item was given on its own stays.
  TTbrCustomItem &item = *Client;
  auto linked = [&](TTbrActionProperty p) { return IsLinkedTo(p, before); };
  if (after.AutoCheck != before.AutoCheck && linked(TTbrActionProperty::AutoCheck))
    item.FAutoCheck = after.AutoCheck;
  if (after.Caption != before.Caption && linked(TTbrActionProperty::Caption))
    item.SetCaption(after.Caption);
  if (after.Checked != before.Checked && linked(TTbrActionProperty::Checked))
    item.SetChecked(after.Checked);
  if (after.Enabled != before.Enabled && linked(TTbrActionProperty::Enabled))
    item.SetEnabled(after.Enabled);
  if (after.HelpContext != before.HelpContext && linked(TTbrActionProperty::HelpContext))
    item.FHelpContext = after.HelpContext;
  if (after.Hint != before.Hint && linked(TTbrActionProperty::Hint))
    item.FHint = after.Hint;
  if (after.ImageIndex != before.ImageIndex && linked(TTbrActionProperty::ImageIndex))
    item.SetImageIndex(after.ImageIndex);
  if (after.ShortCut != before.ShortCut && linked(TTbrActionProperty::ShortCut))
    item.FShortCut = after.ShortCut;
  if (after.Visible != before.Visible && linked(TTbrActionProperty::Visible))
    item.SetVisible(after.Visible);
}

bool TTbrCustomItemActionLink::Execute() { return FAction && FAction->Execute(); }

bool TTbrCustomItemActionLink::Update() { return FAction && FAction->Update(); }

} // namespace qel::toolbars
