"""The main window as a screen reader meets it, through AT-SPI: every field found by a name of
its own, a value read, a mark's reason heard, and "Envoi" pressed through its accessible action,
the simulated device receiving the 52 bytes expected. Usage: test_accessibility.py DEVICE.LOG
EXPECTED.HEX"""
import re
import sys
import time

import pyatspi

device_log, expected_hex = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child)


def main_window(timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "tensiova":
                for window in app:
                    if window is not None and "analogiques et logiques" in (window.name or ""):
                        return window
        time.sleep(0.2)
    raise SystemExit("FAIL the main window never reached the accessibility bus")


def wait_until(predicate, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return False


window = main_window()
nodes = list(descendants(window))
fields = {n.name: n for n in nodes if re.match(r"Voie (analogique AN\d|logique ET\d), ", n.name or "")}
check(len(fields) == 48, f"48 fields with names of their own ({len(fields)} found)")
for role, names in ((pyatspi.ROLE_COMBO_BOX, "action"), (pyatspi.ROLE_TEXT, "seuil bas")):
    count = sum(1 for name, n in fields.items() if name.endswith(names) and n.getRole() == role)
    check(count == (16 if names == "action" else 8), f"the fields named '… {names}' are {role}")
frames = [n.name for n in nodes if n.getRole() == pyatspi.ROLE_PANEL and n.name]
for name in ("Programmation des surveillances", "Voies analogiques", "Voies logiques"):
    check(name in frames, f"the frame '{name}' is named")
for name in ("Réponses de l'appareil", "Ligne d'état", "Envoi", "Quitter"):
    check(any(n.name == name for n in nodes), f"'{name}' is named")
# A label is heard by its text; what it is for, by its description.
line = next((n for n in nodes if n.description == "Réglages modifiés et non envoyés"), None)
check(line is not None and "envoi" in (line.name or ""), f"the status line reads '{line and line.name}'")

low = fields["Voie analogique AN0, seuil bas"]
value = low.queryText().getText(0, -1)
check(value == "10", f"AN0's low threshold reads '{value}'")

target = fields["Voie analogique AN1, seuil bas"]
target.queryEditableText().setTextContents("300")
check(wait_until(lambda: "0 à 255" in (target.description or "")),
      f"a wrong value's mark is told: '{target.description}'")
target.queryEditableText().setTextContents("7")
check(wait_until(lambda: "0 à 255" not in (target.description or "")),
      "the mark's reason goes with the mark")

send = next(n for n in nodes if n.name == "Envoi" and n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
action = send.queryAction()
names = [action.getName(i) for i in range(action.nActions)]
check(action.nActions > 0, f"'Envoi' has an accessible action {names}")
action.doAction(0)


def received():
    with open(device_log, encoding="utf-8") as f:
        text = f.read()
    if "Message 1 reçu" not in text:
        return None
    rows = text.split("Message 1 reçu", 1)[1].splitlines()[1:5]
    return bytes.fromhex(" ".join(row.strip() for row in rows))


check(wait_until(lambda: received() is not None), "the device received a message")
with open(expected_hex, encoding="ascii") as f:
    expected = bytearray(bytes.fromhex(f.read()))
expected[5] = 7  # AN1's low threshold, as typed through the bus
got = received() or b""
check(got == bytes(expected), f"the 52 bytes are those of the fields ({got.hex(' ').upper()})")

sys.exit(1 if failures else 0)
