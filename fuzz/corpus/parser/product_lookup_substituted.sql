select p.ID, p.NAME, p.KOLUPAK, p.CENA
from "C:\dir ?\price.zv" p
where ID = "a""?b"

 