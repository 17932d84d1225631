# Makes the environments ansible-test sanity runs each test in from this
# machine's own packages: ansible-test would fill each with pinned versions
# from the Python package index, which this machine does not reach. Each is a
# venv with the system's site packages at the path ansible-test derives from
# that test's requirements, marked as made, so ansible-test takes it as it is.
# Run with the Python ansible-test runs on; HOME decides where they go.
# Usage: sanity_venvs.py TEST...
import json
import os
import subprocess
import sys

from ansible_test._internal.commands.sanity import hash_pip_commands
from ansible_test._internal.host_configs import NativePythonConfig
from ansible_test._internal.python_requirements import collect_requirements


def venv_path(python, test):
    commands = collect_requirements(python=python, controller=True, virtualenv=False, command=None, ansible=False,
                                    cryptography=False, coverage=False, minimize=test.startswith('import.'),
                                    sanity=test)
    label = 'sanity.' + test if commands else 'sanity'
    return os.path.join(os.path.expanduser('~/.ansible/test/venv'), label, python.version, hash_pip_commands(commands))


def make(path):
    if os.path.exists(os.path.join(path, 'marker.txt')):
        return
    subprocess.run([sys.executable, '-m', 'venv', '--without-pip', '--system-site-packages', path], check=True)
    with open(os.path.join(path, 'meta.install.json'), 'w') as f:
        json.dump([], f)
    with open(os.path.join(path, 'meta.yaml.json'), 'w') as f:
        json.dump(True, f)  # PyYAML with libyaml
    open(os.path.join(path, 'marker.txt'), 'w').close()


def main(tests):
    python = NativePythonConfig(version='%d.%d' % sys.version_info[:2], path=sys.executable)
    for test in tests:
        make(venv_path(python, test))


if __name__ == '__main__':
    main(sys.argv[1:])
