# Running tqm530r for the modules: the options they share, the command lines
# they build and the JSON tqm530r answers with.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

# Documented in the doc fragment tqm530r.fleet.tqm530r.
COMMON_OPTIONS = dict(
    image=dict(type='path'),
    reinstall=dict(type='bool', default=False),
    allow_older=dict(type='bool', default=False),
    timeout=dict(type='float'),
    interface=dict(type='str'),
    wait=dict(type='int'),
    expect=dict(type='int'),
    inventory=dict(type='path'),
    image_sha256=dict(type='str'),
    tqm530r=dict(type='str', default='tqm530r'),
)

VALUE_OPTIONS = ('image', 'image_sha256', 'timeout', 'interface', 'wait', 'expect', 'inventory')
FLAG_OPTIONS = ('reinstall', 'allow_older')


def program(module):
    path = module.params['tqm530r']
    return path if '/' in path else module.get_bin_path(path, required=True)


def option_argv(params, names):
    """--NAME VALUE for each of NAMES that is set, as tqm530r spells it."""
    argv = []
    for name in names:
        if params.get(name) is not None:
            argv += ['--' + name.replace('_', '-'), str(params[name])]
    return argv


def plan_argv(tqm530r, command, params, search):
    """The argv of COMMAND (plan or update) for a SEARCH of the segment or the given hosts,
    with the options both take."""
    argv = [tqm530r, command] + (['--all'] if search else list(params.get('hosts') or []))
    argv += option_argv(params, VALUE_OPTIONS)
    argv += ['--' + name.replace('_', '-') for name in FLAG_OPTIONS if params.get(name)]
    return argv + ['--json']


def run_plan(module, search):
    """tqm530r plan: (exit code, its document or None, stderr)."""
    argv = plan_argv(program(module), 'plan', module.params, search)
    rc, out, err = module.run_command(argv)
    try:
        return rc, json.loads(out), err
    except ValueError:
        return rc, None, err


def fail_without_output(module, rc, err, argv=None):
    module.fail_json(msg=(err.strip() or 'tqm530r gave no JSON') + ' (exit %d)' % rc, rc=rc, stderr=err, cmd=argv)


def planned_device(d):
    """One device of plan's document in the update module's per-device form."""
    return dict(device=d['device'], name=d.get('name', ''), ip=d['ip'], mac=d['mac'], before=d['current_version'],
                after=d['image_version'] if d['action'] == 'update' else d['current_version'],
                result=d['action'], detail=d['reason'])
