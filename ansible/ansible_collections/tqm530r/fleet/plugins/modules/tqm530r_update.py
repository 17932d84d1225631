#!/usr/bin/python
# Runs tqm530r update on the managed host and reports its JSON; every rule
# (version policy, retries, verify) is tqm530r's own.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: tqm530r_update
short_description: Write the firmware image into the TQM-530R devices on the host's segment
description:
  - Runs C(tqm530r update --yes --json) on the managed host, which must stand on the devices'
    segment, and returns each device's result.
  - Every rule lives in C(tqm530r). A device already at the image's version is skipped, an older
    image refused, a failure before C(flash) tried again, each device verified after its reset.
  - In check mode runs C(tqm530r plan --json) instead, which logs in and reads each device's
    version but writes nothing; I(waves), I(max_failures) and I(soak) then do not apply.
version_added: 1.0.0
author: TQM-530R updater team (@tqm530r)
extends_documentation_fragment: tqm530r.fleet.tqm530r
options:
  hosts:
    description: C(HOST[:PORT]) of each device. Give either I(hosts) or I(all).
    type: list
    elements: str
  all:
    description: Search the segment first and update every TQM-530R found (the MAC found by the
      search is checked again before the login). Give either I(hosts) or I(all).
    type: bool
  jobs:
    description: At most this many devices at once (default all); with I(waves), within each wave.
    type: int
  retries:
    description: How often a device whose update fails before C(flash) is tried again (C(tqm530r)'s
      default 2).
    type: int
  flash_timeout:
    description: Seconds to wait for each C(complete) of flashing (default 120).
    type: float
  verify_timeout:
    description: Seconds to wait for a device to come back after its reset (default 60).
    type: float
  history:
    description: The history file C(tqm530r) appends each device's record to.
    type: path
  waves:
    description:
      - Roll out in waves, for example C(1,10%,50%,100%). Each entry is a count or a percentage of the
        devices to write (those the version policy would write), cumulative; a wave starts when the
        one before has ended.
      - Without it every device is one wave.
    type: str
    version_added: 1.1.0
  max_failures:
    description:
      - The failure budget of the run, a count (C(2)) or a percentage of the devices to write (C(5%)).
        Devices that failed, were not verified or changed their MAC count; skipped and refused ones do not.
      - Exactly the budget goes on; one failure more and no further device starts. Devices already
        running finish, the rest are reported C(not started) and the task fails.
    type: raw
    version_added: 1.1.0
  soak:
    description: Seconds to wait after each wave but the last before every device of the wave is read
      again (login and version); one that no longer answers or runs another version counts as failed.
    type: int
    version_added: 1.1.0
notes:
  - C(changed) is true when some device was written, that is its result is C(verified),
    C(updated) or C(unverified), or it was sent C(flash) before it failed or was interrupted.
    A device that failed during the transfer still runs its old firmware and does not count.
  - The task fails when C(tqm530r) exits other than 0 (a device failed, was refused or not
    verified, fewer than I(expect) answered the search, or none did); C(msg) names each such device
    and its reason.
  - When the failure budget stops a rollout (C(tqm530r) exits 6), C(msg) says so first, with how many
    devices were not started; C(devices) holds every device, those never started among them.
  - Check mode is supported; C(changed) is then true when some device would be updated.
'''

EXAMPLES = r'''
- name: Update every device on the site's segment
  tqm530r.fleet.tqm530r_update:
    all: true
    interface: eth1
    jobs: 8

- name: Update two devices, one on a non-standard port
  tqm530r.fleet.tqm530r_update:
    hosts: [192.0.2.10, "192.0.2.11:2323"]
    retries: 0
  register: update

- name: Update the devices of the site's inventory, with the image the change approved
  tqm530r.fleet.tqm530r_update:
    all: true
    inventory: /etc/tqm530r/osaka.csv
    image: /srv/firmware/tqm530r-1.0.06.mot
    image_sha256: 3f1c0d9e8b7a6f5e4d3c2b1a0f9e8d7c6b5a4f3e2d1c0b9a8f7e6d5c4b3a2f10

- name: A canary rollout of the 40 devices of a site
  tqm530r.fleet.tqm530r_update:
    all: true
    interface: eth1
    expect: 40
    waves: 1,10%,50%,100%
    max_failures: 1
    soak: 300
    jobs: 8
'''

RETURN = r'''
devices:
  description: One entry per device, in the order C(tqm530r) reports them.
  returned: always
  type: list
  elements: dict
  contains:
    device:
      description: The device as given or found (C(IP) or C(HOST:PORT)); empty for one C(not found).
      type: str
    name:
      description: Its name in I(inventory); empty without one.
      type: str
      version_added: 1.2.0
    ip:
      description: Its address.
      type: str
    mac:
      description: Its MAC address, empty when not read.
      type: str
    before:
      description: Its version before the update, empty when not read.
      type: str
    after:
      description: Its version after the reset; in check mode the version it would run.
      type: str
    result:
      description: C(verified), C(updated), C(skipped), C(refused), C(mac-changed), C(busy),
        C(failed), C(unverified), C(interrupted), C(not found) (listed in I(inventory) but it did not
        answer) or, after the failure budget stopped the rollout, C(not started); in check mode the
        plan's action C(update), C(skip), C(refuse), C(error), C(busy), C(unlisted) or C(not found).
      type: str
    detail:
      description: One line, why or what was done.
      type: str
    written:
      description: Whether the device was sent C(flash), so that its flash changed; false in check mode.
      type: bool
  sample:
    - {device: 10.0.0.10, ip: 10.0.0.10, mac: 02-4c-1a-00-10-0a, before: 1.0.01, after: 1.0.05,
       result: verified, detail: running 1.0.05 after the reset, written: true}
counts:
  description: How many devices ended with each result.
  returned: always
  type: dict
  sample: {verified: 2, skipped: 1}
image_version:
  description: The version of the image written.
  returned: when tqm530r reported it
  type: str
rc:
  description: The exit code of C(tqm530r).
  returned: always
  type: int
'''

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tqm530r.fleet.plugins.module_utils.tqm530r_cli import (
    COMMON_OPTIONS, fail_without_output, option_argv, plan_argv, planned_device, program, run_plan)

WRITTEN_RESULTS = ('verified', 'updated', 'unverified')
GOOD_RESULTS = ('verified', 'updated', 'skipped', 'update', 'skip')
BUDGET_STOPPED = 6
MODULE_OPTIONS = dict(COMMON_OPTIONS, hosts=dict(type='list', elements='str'), all=dict(type='bool'),
                      jobs=dict(type='int'), retries=dict(type='int'), flash_timeout=dict(type='float'),
                      verify_timeout=dict(type='float'), history=dict(type='path'), waves=dict(type='str'),
                      max_failures=dict(type='raw'), soak=dict(type='int'))
# Either the given hosts or a search; expect counts what a search finds.
OPTION_RULES = dict(mutually_exclusive=[('hosts', 'all'), ('hosts', 'expect'), ('hosts', 'inventory')],
                    required_one_of=[('hosts', 'all')],
                    required_if=[('all', False, ('hosts',))])
UPDATE_OPTIONS = ('jobs', 'retries', 'flash_timeout', 'verify_timeout', 'history', 'waves', 'max_failures', 'soak')


def update_argv(tqm530r, params):
    search = bool(params.get('all'))
    return plan_argv(tqm530r, 'update', params, search) + option_argv(params, UPDATE_OPTIONS) + ['--yes']


def not_started(device):
    return device['result'].replace('-', ' ').replace('_', ' ') == 'not started'


def read_events(out):
    """From update's JSON lines: its summary (or None), the devices sent flash, the image version."""
    flashed, summary, image_version = set(), None, None
    for line in out.splitlines():
        try:
            event = json.loads(line)
        except ValueError:
            continue
        kind = event.get('event')
        if kind == 'start':
            image_version = event.get('image_version')
        elif kind == 'phase' and event.get('phase') == 'flash':
            flashed.add(event.get('device'))
        elif kind == 'summary':
            summary = event
    return summary, flashed, image_version


def summary_devices(summary, flashed):
    return [dict(device=d['device'], name=d.get('name', ''), ip=d['ip'], mac=d['mac'], before=d['old_version'], after=d['new_version'],
                 result=d['result'], detail=d['detail'], written=d['result'] in WRITTEN_RESULTS or d['device'] in flashed)
            for d in summary['devices']]


def counts_of(devices):
    counts = {}
    for d in devices:
        counts[d['result']] = counts.get(d['result'], 0) + 1
    return counts


def failure_msg(devices, rc, stderr, max_failures):
    """One line naming each device that failed and why; first, whether the budget stopped the rollout."""
    bad = ['%s: %s: %s' % (d.get('name') or d['device'], d['result'], d['detail']) for d in devices
           if d['result'] not in GOOD_RESULTS and not not_started(d)]
    if rc == BUDGET_STOPPED:
        waiting = len([d for d in devices if not_started(d)])
        budget = ' (max_failures %s)' % max_failures if max_failures is not None else ''
        head = 'the rollout stopped: more devices failed than its failure budget%s allows; %d device(s) not started' % (
            budget, waiting)
        return '; '.join([head] + bad)
    return '; '.join(bad) or stderr.strip() or 'tqm530r exited %d' % rc


def outcome(devices, rc, changed, image_version, stderr, max_failures=None):
    """The task's result: (failed, result dict with msg)."""
    counts = counts_of(devices)
    result = dict(changed=changed, devices=devices, counts=counts, rc=rc, image_version=image_version)
    if rc != 0:
        return True, dict(result, msg=failure_msg(devices, rc, stderr, max_failures), stderr=stderr)
    summary = ', '.join('%d %s' % (n, r) for r, n in sorted(counts.items()))
    return False, dict(result, msg='%d device(s): %s' % (len(devices), summary))


def finish(module, failed, result):
    if failed:
        module.fail_json(**result)
    module.exit_json(**result)


def check(module):
    rc, doc, err = run_plan(module, bool(module.params['all']))
    if doc is None:
        fail_without_output(module, rc, err)
    devices = [dict(planned_device(d), written=False) for d in doc['devices']]
    changed = any(d['result'] == 'update' for d in devices)
    finish(module, *outcome(devices, rc, changed, doc.get('image_version'), err))


def update(module):
    argv = update_argv(program(module), module.params)
    rc, out, err = module.run_command(argv)
    summary, flashed, image_version = read_events(out)
    if summary is None:
        fail_without_output(module, rc, err, argv)
    devices = summary_devices(summary, flashed)
    changed = any(d['written'] for d in devices)
    finish(module, *outcome(devices, summary.get('exit_code', rc), changed, image_version, err,
                            module.params['max_failures']))


def main():
    module = AnsibleModule(argument_spec=MODULE_OPTIONS, supports_check_mode=True, **OPTION_RULES)
    if module.check_mode:
        check(module)
    update(module)


if __name__ == '__main__':
    main()
