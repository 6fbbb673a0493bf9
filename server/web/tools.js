// The tool pages' form: files in the order the user arranges, the options, progress while the
// service works, and the result to download or the check's report.
(function () {
  const form = document.getElementById('tool');
  if (!form) return;
  const input = form.querySelector('input[type=file]');
  const list = document.getElementById('files');
  const status = document.getElementById('status');
  const bar = document.getElementById('progress');
  const result = document.getElementById('result');
  let files = [];

  function move(from, to) {
    if (to < 0 || to >= files.length) return;
    const [file] = files.splice(from, 1);
    files.splice(to, 0, file);
    show();
    list.querySelectorAll('li')[to].querySelector('button').focus();
  }

  function show() {
    list.innerHTML = '';
    files.forEach((file, index) => {
      const item = document.createElement('li');
      item.draggable = true;
      item.textContent = file.name + ' ';
      for (const [label, step] of [['上移', -1], ['下移', 1]]) {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = label;
        button.setAttribute('aria-label', label + '：' + file.name);
        button.addEventListener('click', () => move(index, index + step));
        item.appendChild(button);
      }
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = '移除';
      remove.setAttribute('aria-label', '移除：' + file.name);
      remove.addEventListener('click', () => { files.splice(index, 1); show(); });
      item.appendChild(remove);
      item.addEventListener('dragstart', (event) => event.dataTransfer.setData('text/plain', index));
      item.addEventListener('dragover', (event) => event.preventDefault());
      item.addEventListener('drop', (event) => {
        event.preventDefault();
        move(Number(event.dataTransfer.getData('text/plain')), index);
      });
      list.appendChild(item);
    });
  }

  input.addEventListener('change', () => {
    files = input.multiple ? files.concat(Array.from(input.files)) : Array.from(input.files);
    input.value = '';
    show();
  });

  function say(text, failed) {
    status.textContent = text;
    status.className = failed ? 'failed' : '';
  }

  function report(data) {
    const rows = [
      ['JavaScript 脚本', data.javascript], ['嵌入文件', data.embeddedFiles],
      ['加密', data.encrypted], ['表单', data.forms]];
    const table = document.createElement('table');
    for (const [name, value] of rows) {
      const row = table.insertRow();
      row.insertCell().textContent = name;
      row.insertCell().textContent =
        value === undefined ? '无法检查（文件需要密码）' :
        value === true ? '有' : value === false || value === 0 ? '无' : String(value) + ' 个';
    }
    result.appendChild(table);
  }

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    result.innerHTML = '';
    if (files.length === 0) { say('请选择文件', true); return; }
    const body = new FormData();
    for (const file of files) body.append('file', file, file.name);
    for (const field of form.querySelectorAll('[data-option]')) body.append(field.name, field.value);
    const request = new XMLHttpRequest();
    request.open('POST', form.dataset.endpoint);
    request.responseType = 'blob';
    request.upload.addEventListener('progress', (e) => {
      if (e.lengthComputable) bar.value = e.loaded / e.total * 50;
    });
    request.upload.addEventListener('load', () => { bar.value = 60; say('正在处理…'); });
    request.addEventListener('error', () => say('无法连接服务，请稍后再试', true));
    request.addEventListener('load', async () => {
      bar.value = 100;
      const type = request.getResponseHeader('Content-Type') || '';
      if (type.startsWith('application/json')) {
        const reply = JSON.parse(await request.response.text());
        if (request.status !== 200) { say(reply.msg, true); return; }
        say('检查完成');
        report(reply.data);
        return;
      }
      const name = decodeURIComponent(
        (request.getResponseHeader('Content-Disposition') || '').split("''")[1] || 'result.pdf');
      const link = document.createElement('a');
      link.href = URL.createObjectURL(request.response);
      link.download = name;
      link.textContent = '下载 ' + name;
      link.id = 'download';
      result.appendChild(link);
      say('处理完成');
      link.focus();
    });
    bar.value = 0;
    say('正在上传…');
    request.send(body);
  });
})();
