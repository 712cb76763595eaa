select p.ID, p.NAME, p.KOLUPAK, p.CENA
from "C:\Zakaz\price.zv" p
where ID = "00012345"

 
