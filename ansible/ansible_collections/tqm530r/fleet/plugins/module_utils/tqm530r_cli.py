# Running tqm530r for the modules: the options they share and its JSON.
import json

COMMON_OPTIONS = dict(
    hosts=dict(type='list', elements='str', default=[]),
    all=dict(type='bool', default=False),
    image=dict(type='path'),
    reinstall=dict(type='bool', default=False),
    allow_older=dict(type='bool', default=False),
    timeout=dict(type='float'),
    interface=dict(type='str'),
    wait=dict(type='int'),
    tqm530r=dict(type='str', default='tqm530r'),
)


def program(module):
    path = module.params['tqm530r']
    return path if '/' in path else module.get_bin_path(path, required=True)


def plan_argv(module, command):
    """The argv of COMMAND (plan or update) with the options both take."""
    p = module.params
    if bool(p['hosts']) == p['all']:
        module.fail_json(msg='give either hosts or all: true')
    argv = [program(module), command] + (['--all'] if p['all'] else list(p['hosts']))
    for name in ('image', 'timeout', 'interface', 'wait'):
        if p[name] is not None:
            argv += ['--' + name, str(p[name])]
    if p['reinstall']:
        argv.append('--reinstall')
    if p['allow_older']:
        argv.append('--allow-older')
    return argv + ['--json']


def run_plan(module):
    """tqm530r plan: (exit code, its document or None, stderr)."""
    rc, out, err = module.run_command(plan_argv(module, 'plan'))
    try:
        return rc, json.loads(out), err
    except ValueError:
        return rc, None, err


def fail_without_output(module, rc, err, argv=None):
    module.fail_json(msg=(err.strip() or 'tqm530r gave no JSON') + ' (exit %d)' % rc, rc=rc, stderr=err, cmd=argv)


def planned_device(d):
    """One device of plan's document in the modules' per-device form."""
    return dict(device=d['device'], ip=d['ip'], mac=d['mac'], before=d['current_version'],
                after=d['image_version'] if d['action'] == 'update' else d['current_version'],
                result=d['action'], detail=d['reason'])
